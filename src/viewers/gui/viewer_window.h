#pragma once
// What both viewer windows share: the time and kind part of the filter
// panel, the virtual list with its tree below, the "Поиск" menu with
// "Перейти к...", copying a tree line, the rebuild with its progress, and
// closing, which deletes the temporary merged log.
#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "viewers/background_work.h"
#include "match/find_rows.h"
#include "match/match.h"
#include "viewers/filter.h"
#include "viewers/log_export.h"
#include "viewers/log_viewer.h"
#include "viewers/progress.h"
#include "viewers/viewer_common.h"

namespace pkt {

class TLogModel;
class TFindBar;
class TTerminalViewer;

class TViewerWindow : public QWidget {
  Q_OBJECT
 public:
  // The input box of "Перейти к...": caption, prompt, proposed text in, entered
  // text out; false when the operator cancels.
  using AskText = std::function<bool(const QString& caption, const QString& prompt, QString& text)>;
  // Replaces the input box (an empty function restores it); returns the previous one.
  static AskText SetAskText(AskText ask);

  ~TViewerWindow() override;

  // The menu merged into the main window's menu bar while this window is active.
  QMenu* SearchMenu() const { return mnSearch; }

  // The rebuild of "Применить": cancels the background work of the rebuild
  // before, reads the panel, rebuilds the index and shows the list's rows;
  // then the charts and the export are built in the background while the
  // window is in use, their progress in the status note. An error is shown by
  // the error display and the window stays usable. False when the index step
  // raised (an error of the background work is shown when it ends).
  bool Reload();
  // Whether the charts and the export of the last rebuild are still being built.
  bool BackgroundBusy() const;
  // Handles events until the background work has ended and its outcome is
  // shown (pktdump-like callers and the tests synchronise on it).
  void WaitForBackground();

  // "Перейти к..." with the text entered: a row number from 0 to the row count
  // less one is selected and scrolled to the top; other numbers do nothing; a
  // text that is not a number raises "'%s' is not a valid integer value".
  void GotoRow(const QString& text);

  // The expression of "Отбор" when its box is checked and its text is not
  // empty; raises MatchError for a bad expression.
  std::shared_ptr<const TMatcher> PanelMatcher() const;

  // The selected row of the list, if any.
  std::optional<std::uint32_t> SelectedRow() const;
  // The rows the list shows.
  std::uint32_t ListRowCount() const;

  // What the main window's status bar shows for this window: the listed
  // records out of the records of the log, the selected row's time (empty
  // without a selection), and one note on background work or a search
  // (empty when there is none). statusChanged() tells that any of them changed.
  QString StatusRecords() const;
  QString StatusTime() const;
  const QString& StatusNote() const { return note_; }
  // Replaces the note; an empty text clears it.
  void SetStatusNote(const QString& note);
  // The temporary merged log this window owns.
  virtual const std::string& TempPath() const = 0;
  // What became of the last rebuild's export.
  virtual const TExportResult& LastExport() const = 0;

signals:
  void statusChanged();
  // The background work of a rebuild ended and its outcome is shown.
  void backgroundFinished();

 public:
  // Components (named as the operator's forms name them).
  QCheckBox* cbStartDateTime = nullptr;
  QDateEdit* dtStartDate = nullptr;
  QTimeEdit* dtStartTime = nullptr;
  QCheckBox* cbEndDateTime = nullptr;
  QDateEdit* dtEndDate = nullptr;
  QTimeEdit* dtEndTime = nullptr;
  QCheckBox* cbConnects = nullptr;
  QCheckBox* cbDisconnects = nullptr;
  QCheckBox* cbIncoming = nullptr;
  QCheckBox* cbOutgoing = nullptr;
  QCheckBox* cbKeyExchange = nullptr;
  QCheckBox* cbAuthentication = nullptr;
  QPushButton* Button1 = nullptr;
  QLabel* lbExport = nullptr;
  QTabWidget* Pages = nullptr;
  QSplitter* Splitter = nullptr;
  QTableView* LogView = nullptr;
  QTreeWidget* PacketView = nullptr;
  QMenu* pmPacketView = nullptr;
  QMenu* mnSearch = nullptr;
  QAction* acClose = nullptr;
  QAction* acApplyFilter = nullptr;
  QAction* acGoto = nullptr;
  QAction* acCopyValue = nullptr;
  QAction* acCopyAllValues = nullptr;
  QCheckBox* cbMatch = nullptr;          // "Отбор:"
  QLineEdit* edMatch = nullptr;
  TFindBar* FindBar = nullptr;           // above the list
  QAction* acFind = nullptr;             // "Найти..."
  QAction* acFindNext = nullptr;         // "Найти далее"
  QAction* acFindPrevious = nullptr;     // "Найти ранее"
  QMenu* pmLogView = nullptr;            // the list's context menu
  QAction* acCopyRow = nullptr;          // "Скопировать строку"

 protected:
  // commands: whether "Перейти к...", copying and "Закрыть" work in this window.
  TViewerWindow(QWidget* owner, const std::vector<std::string>& columns, const std::vector<int>& widths,
                bool commands);

  // The part of the panel above the time bounds (issuer and terminal, or host).
  QVBoxLayout* IdentityPanel() const { return identity_; }
  // The caption, the pickers set to now, the first rebuild. Called at the end of
  // the window's constructor.
  void FormCreate();

  // The time bounds and kind boxes of the panel, as they stand now.
  TTimeBounds ReadTimeBounds() const;
  TKindBoxes ReadKindBoxes() const;

  // The family's viewer calls.
  virtual std::string Caption() const = 0;
  // The index step of the rebuild, with the panel's settings.
  virtual void CoreReloadIndex(const TProgress& progress) = 0;
  // The background part of the rebuild (see TTerminalViewer::StartRest).
  virtual void CoreStartRest(std::function<void()> finished) = 0;
  virtual std::exception_ptr CoreFinishRest() = 0;
  virtual void CoreCancelRest() = 0;
  virtual const TBackgroundWork& CoreWork() const = 0;
  // Before the background work starts (the chart pages say "Строится…").
  virtual void BeforeBackground() {}
  // At every look at the running background work's progress.
  virtual void BackgroundProgressed() {}
  virtual std::uint32_t CoreRowCount() const = 0;
  virtual std::uint64_t CoreRecordCount() const = 0;
  virtual void CoreRowTexts(std::uint32_t row, std::vector<std::string>& cells) const = 0;
  virtual TKindColour CoreRowColour(std::uint32_t row) const = 0;
  virtual TSelection CoreSelectItem(std::optional<std::uint32_t> row) const = 0;
  virtual void CoreFormClose() = 0;
  // After every rebuild, also a failed one (the charts show what was built),
  // once its background work has ended.
  virtual void AfterReload() {}
  // The texts column must fit whatever rows the list shows (the kind names of
  // the family, host identifiers); empty for a column of fixed width.
  virtual QStringList ColumnSamples(int column) const { return {}; }
  // Whether the tree of row shows a listing whose columns must line up (ISO
  // 8583 listings with their hex dumps): such a tree is set in a fixed-pitch font.
  virtual bool FixedPitchTree(std::uint32_t row) const { return false; }
  // The family's search over the listed rows.
  virtual TLogFamily Family() const = 0;
  virtual TFoundRow CoreFindRow(const TMatcher& matcher, std::optional<std::uint32_t> from, bool backward,
                                const std::atomic<bool>& cancel, const TFindProgress& progress) const = 0;
  virtual std::optional<std::uint64_t> CoreCountMatches(const TMatcher& matcher,
                                                        const std::atomic<bool>& cancel) const = 0;

  // Selects row (inside the list) and scrolls it into view.
  void SelectRow(std::uint32_t row);
  // A command of the list's context menu that narrows the panel to the
  // selected row's cell of column: checks box, fills edit with the cell, applies.
  QAction* AddNarrowingAction(const QString& caption, QCheckBox* box, QLineEdit* edit, std::size_t column);

  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPanel(QWidget* panel);
  void BuildActions(bool commands);
  void SetPickersToNow();
  void ShowExportResult();
  void StartBackground();
  void CancelBackground();
  void BackgroundFinished(std::uint64_t generation);
  void ShowBackgroundProgress();
  void ClearList();
  void FitColumns();
  void LogViewSelectItem();
  void ShowTree(const TSelection& selection);
  void UpdateCopyValue();
  void acGotoExecute();
  void acCopyValueExecute();
  void acCopyAllValuesExecute();
  void acCopyRowExecute();
  void BuildFinding();
  void acCloseExecute();

  QVBoxLayout* identity_ = nullptr;
  TLogModel* model_ = nullptr;
  std::vector<int> minWidths_;  // the columns' own widths, never narrowed below
  bool commands_ = false;
  bool reloading_ = false;
  bool closed_ = false;
  std::string treeText_;  // the shown tree as "pktdump tree" prints it
  QString note_;
  // The note this window's background work set last; it is cleared at the
  // work's end unless a search has put its own note in its place.
  QString workNote_;
  // Counts the background works; a finished call of a work that was cancelled since is dropped.
  std::uint64_t generation_ = 0;
  QTimer* progressTimer_ = nullptr;
};

// A viewer window over one family's viewer (TTerminalViewer, TH2HViewer),
// which it owns and hands the family's viewer calls to. The family's window
// adds its part of the filter panel and the rebuild with its settings.
template <class FamilyViewer>
class TFamilyViewerWindow : public TViewerWindow {
 public:
  const std::string& TempPath() const override { return viewer_.TempPath(); }
  const TExportResult& LastExport() const override { return viewer_.LastExport(); }
  const FamilyViewer& Viewer() const { return viewer_; }

 protected:
  TFamilyViewerWindow(QWidget* owner, const std::vector<int>& widths, bool commands, const std::string& captionText,
                      const std::string& fileName, const std::string& tempPath)
      : TViewerWindow(owner, FamilyViewer::ColumnCaptions(), widths, commands),
        viewer_(captionText, fileName, tempPath) {}

  std::string Caption() const override { return viewer_.Caption(); }
  std::uint32_t CoreRowCount() const override { return viewer_.RowCount(); }
  std::uint64_t CoreRecordCount() const override { return viewer_.RecordCount(); }
  void CoreRowTexts(std::uint32_t row, std::vector<std::string>& cells) const override {
    viewer_.LogViewData(row, cells);
  }
  TKindColour CoreRowColour(std::uint32_t row) const override { return viewer_.RowColour(row); }
  TSelection CoreSelectItem(std::optional<std::uint32_t> row) const override {
    return viewer_.LogViewSelectItem(row);
  }
  void CoreFormClose() override { viewer_.FormClose(); }
  void CoreStartRest(std::function<void()> finished) override {
    TReloadSteps steps;
    steps.plots = true;  // the chart pages' plotters too, made off the window's thread
    viewer_.StartRest(std::move(finished), steps);
  }
  std::exception_ptr CoreFinishRest() override { return viewer_.FinishRest(); }
  void CoreCancelRest() override { viewer_.CancelRest(); }
  const TBackgroundWork& CoreWork() const override { return viewer_.Work(); }
  TLogFamily Family() const override {
    return std::is_same_v<FamilyViewer, TTerminalViewer> ? TLogFamily::Terminal : TLogFamily::H2H;
  }
  TFoundRow CoreFindRow(const TMatcher& matcher, std::optional<std::uint32_t> from, bool backward,
                        const std::atomic<bool>& cancel, const TFindProgress& progress) const override {
    return FindRow(viewer_.Log(), matcher, from, backward, cancel, progress);
  }
  std::optional<std::uint64_t> CoreCountMatches(const TMatcher& matcher,
                                                const std::atomic<bool>& cancel) const override {
    return CountMatches(viewer_.Log(), matcher, cancel);
  }

  FamilyViewer viewer_;
};

// The date-time value (ms) of the date part of a date picker.
std::int64_t DateMs(const QDate& date);
// The time-of-day (ms) of a time picker.
std::int64_t TimeOfDayMs(const QTime& time);

}  // namespace pkt
