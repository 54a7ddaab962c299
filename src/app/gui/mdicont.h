#pragma once
// The main window: a multiple-document container holding one viewer window
// per opening, with the commands that open log files or a folder, arrange the
// viewer windows and show the about box.
#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QStringList>

#include <functional>
#include <string>

class QMdiSubWindow;
class QDragEnterEvent;
class QDropEvent;

namespace pkt {

class TViewerWindow;

// The open dialog's five file types; the 1-based index of the chosen one decides the viewer.
struct TLogFileType {
  const char* description;
  const char* mask;
  bool terminal;  // the terminal log viewer, otherwise the host-to-host one
};
extern const TLogFileType kLogFileTypes[5];

// The open dialog's filters: each type's description, and after it the
// patterns it admits, its mask and the same names packed (gzip, xz, zstd,
// bzip2) or in a zip. The dialog shows only the descriptions.
QStringList OpenDialogFilters();
// The 1-based index of the type whose filter the dialog reports as chosen (0
// for none). A dialog that hides the patterns reports the description alone,
// its runs of blanks made one.
int OpenDialogTypeIndex(const QString& selected);

class TfmMDICont : public QMainWindow {
  Q_OBJECT
 public:
  // What the open dialog returns: the selected files in the dialog's order and
  // the 1-based index of the chosen filter; false when cancelled.
  using AskFiles = std::function<bool(QStringList& files, int& filterIndex)>;
  // What the folder chooser returns (initial folder in, chosen folder out).
  using AskFolder = std::function<bool(QString& folder)>;
  // Replace the dialogs (tests); an empty function restores the dialog. Return the previous one.
  AskFiles SetAskFiles(AskFiles ask);
  AskFolder SetAskFolder(AskFolder ask);

  explicit TfmMDICont(QWidget* parent = nullptr);
  ~TfmMDICont() override;

  // "Открыть..." after the dialog: merges the files in order and creates the
  // viewer of the filter index (1 terminal, 2-5 host-to-host, other: none).
  // Returns the new viewer, or nullptr.
  TViewerWindow* OpenFiles(const QStringList& files, int filterIndex);
  // "Открыть папку..." after the chooser: merges the folder's terminal logs and
  // creates a terminal viewer.
  TViewerWindow* OpenFolder(const QString& folder);
  // Paths named on the command line or dropped on the window: one folder opens
  // as "Открыть папку..." does, files as "Открыть..." does with the file type
  // that their names tell; names of mixed or unknown families are refused
  // with a message. Returns the new viewer, or nullptr.
  TViewerWindow* OpenPaths(const QStringList& paths);
  // The same once the message loop runs; an error goes to the error display.
  void OpenPathsLater(const QStringList& paths);

  const QString& WorkingFolder() const { return workingFolder_; }
  QMdiArea* MdiArea() const { return mdiArea_; }
  // The viewer windows, in the order they were opened.
  QList<TViewerWindow*> Viewers() const;
  TViewerWindow* ActiveViewer() const;

  // Menus and actions.
  QMenu* mnFile = nullptr;
  QMenu* mnWindows = nullptr;
  QMenu* mnHelp = nullptr;
  QAction* acOpen = nullptr;
  QAction* acOpenFolder = nullptr;
  QAction* acExit = nullptr;
  QAction* WindowTileHorizontal1 = nullptr;
  QAction* WindowTileVertical1 = nullptr;
  QAction* WindowCascade1 = nullptr;
  QAction* WindowMinimizeAll1 = nullptr;
  QAction* WindowClose1 = nullptr;
  QAction* acAbout = nullptr;
  QStatusBar* stat1 = nullptr;
  // The status bar's texts for the active viewer: its note (background work,
  // search), its listed records out of the log's, the selected row's time.
  QLabel* lbStatusNote = nullptr;
  QLabel* lbStatusRecords = nullptr;
  QLabel* lbStatusTime = nullptr;

  // The window commands.
  void TileTopToBottom();
  void TileSideBySide();

 protected:
  // Log files and folders dragged from a file manager open when dropped.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void FormCreate();
  void acOpenExecute();
  void acOpenFolderExecute();
  void acExitExecute();
  void acAboutExecute();
  TViewerWindow* ShowViewer(TViewerWindow* viewer);
  void SubWindowActivated(QMdiSubWindow* window);
  void UpdateWindowActions(const QObject* leaving = nullptr);
  // Follows the status of viewer (none: the status bar is empty).
  void FollowStatus(TViewerWindow* viewer);
  void ShowStatus();
  QList<QMdiSubWindow*> ArrangedWindows() const;
  // Gives each arranged window an equal strip of the area, the active one
  // first: rows one below the other (Vertical) or columns side by side (Horizontal).
  void TileInStrips(Qt::Orientation direction);

  QMdiArea* mdiArea_ = nullptr;
  QString workingFolder_;
  QPointer<QMenu> mergedMenu_;
  QPointer<TViewerWindow> statusViewer_;
  QMetaObject::Connection statusConnection_;
  AskFiles askFiles_;
  AskFolder askFolder_;
};

}  // namespace pkt
