#pragma once
// The about box: the program's name, the version of the running program and
// the date and time it was built.
#include <QDialog>

class QLabel;
class QPushButton;

namespace pkt {

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* owner);

  // "1.0.0.403": major, minor, release and build of this program.
  static QString VersionText();
  // The compiler's build date and time, "Apr  6 2016 13:29:48".
  static QString BuildText();

  QLabel* ProgramIcon = nullptr;
  QLabel* ProductName = nullptr;
  QLabel* lbAboutVersion = nullptr;
  QLabel* lbAboutBuild = nullptr;
  QLabel* lbAboutPurpose = nullptr;
  QPushButton* OKButton = nullptr;

 private:
  void FormCreate();
};

}  // namespace pkt
