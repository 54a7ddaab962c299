#pragma once
// The find bar above a viewer's list ("Найти..."): an expression, or a plain
// word to look for in any text of a row, searched from the selected row
// forward ("Найти далее") or back ("Найти ранее"), wrapping at the ends. The
// search runs on a thread of its own, so the window stays usable; Esc stops it.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "match/find_rows.h"
#include "match/match.h"

namespace pkt {

class TFindBar : public QWidget {
  Q_OBJECT
 public:
  // What the bar asks of its window.
  struct TWindowCalls {
    std::function<TLogFamily()> family;
    std::function<TFoundRow(const TMatcher&, std::optional<std::uint32_t> from, bool backward,
                            const std::atomic<bool>& cancel, const TFindProgress& progress)>
        find;
    std::function<std::optional<std::uint64_t>(const TMatcher&, const std::atomic<bool>& cancel)> count;
    std::function<std::optional<std::uint32_t>()> selectedRow;
    std::function<void(std::uint32_t)> selectRow;
    std::function<void(const QString&)> note;  // the window's status note
  };

  TFindBar(QWidget* parent, TWindowCalls calls);
  ~TFindBar() override;

  // Shows the bar with the focus in its edit line.
  void Open();
  // Starts a search from the selected row; the result arrives later (searchDone).
  void Find(bool backward);
  // Stops a running search and waits until its thread has ended; a result not
  // yet shown is dropped. The window calls this before its index changes.
  void Cancel();
  bool Searching() const { return searching_; }

  // The expression of a text: an expression when it parses, otherwise a
  // single word without blanks or quotes is looked for in every text of a
  // row. Raises MatchError for anything else.
  static TMatcher Compile(const QString& text, TLogFamily family);

  QLineEdit* edFind = nullptr;
  QPushButton* btNext = nullptr;
  QPushButton* btPrevious = nullptr;
  QLabel* lbCount = nullptr;
  QToolButton* btClose = nullptr;

 signals:
  // A search ended: a row selected, nothing found, cancelled or refused.
  void searchDone();
  // The count of matches is shown.
  void countDone();

 private:
  void Deliver(unsigned generation, TFoundRow found, bool backward);
  void DeliverCount(unsigned generation, QString text, std::optional<std::uint64_t> count);
  void Progress(unsigned generation, int percent);
  void Join();

  TWindowCalls calls_;
  std::thread worker_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  unsigned generation_ = 0;
  bool searching_ = false;
  QString countedText_;  // the text whose number of matches the label shows
};

}  // namespace pkt
