#include "viewers/gui/viewer_window.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLocale>
#include <QMdiSubWindow>
#include <QShortcut>
#include <QStyle>

#include "app/gui/error_display.h"
#include "app/gui/long_work.h"
#include "viewers/gui/find_bar.h"
#include "viewers/gui/log_model.h"

#include <algorithm>

namespace pkt {

namespace {

constexpr int kPanelWidth = 180;
constexpr int kTreeHeight = 248;
constexpr int kTreeIndent = 19;
// How often the status note follows the background work.
constexpr int kProgressEveryMs = 100;
// "Время", the third column of both families' lists.
constexpr std::size_t kTimeColumn = 2;

TViewerWindow::AskText& CurrentAskText() {
  static TViewerWindow::AskText ask;
  return ask;
}

bool AskWithInputBox(QWidget* parent, const QString& caption, const QString& prompt, QString& text) {
  bool ok = false;
  const QString entered = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, text, &ok);
  if (ok) text = entered;
  return ok;
}

QFrame* Separator(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

void AddTreeNodes(QTreeWidgetItem* parent, const TreeNode& node) {
  for (const auto& child : node.children) {
    auto* item = new QTreeWidgetItem(parent, QStringList(QString::fromStdString(child->text)));
    AddTreeNodes(item, *child);
  }
}

}  // namespace

std::int64_t DateMs(const QDate& date) { return QDate(1899, 12, 30).daysTo(date) * 86400000LL; }

std::int64_t TimeOfDayMs(const QTime& time) { return time.isValid() ? time.msecsSinceStartOfDay() : 0; }

TViewerWindow::AskText TViewerWindow::SetAskText(AskText ask) {
  AskText previous = std::move(CurrentAskText());
  CurrentAskText() = std::move(ask);
  return previous;
}

TViewerWindow::TViewerWindow(QWidget* owner, const std::vector<std::string>& columns, const std::vector<int>& widths,
                             bool commands)
    : QWidget(owner), minWidths_(widths), commands_(commands) {
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(8);
  setFont(font);

  auto* panel = new QWidget(this);
  panel->setFixedWidth(kPanelWidth);
  BuildPanel(panel);

  Pages = new QTabWidget(this);
  auto* messages = new QWidget(Pages);
  Splitter = new QSplitter(Qt::Vertical, messages);
  Splitter->setChildrenCollapsible(false);

  LogView = new QTableView(Splitter);
  model_ = new TLogModel(
      columns, [this](std::uint32_t row, std::vector<std::string>& cells) { CoreRowTexts(row, cells); },
      [this](std::uint32_t row) { return CoreRowColour(row); }, this);
  LogView->setModel(model_);
  LogView->setSelectionBehavior(QAbstractItemView::SelectRows);
  LogView->setSelectionMode(QAbstractItemView::SingleSelection);
  LogView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LogView->setShowGrid(false);
  LogView->setWordWrap(false);
  LogView->setCornerButtonEnabled(false);
  LogView->verticalHeader()->hide();
  // Uniform rows: the list never measures its rows, whatever their number.
  LogView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  LogView->verticalHeader()->setDefaultSectionSize(LogView->fontMetrics().height() + 4);
  LogView->horizontalHeader()->setHighlightSections(false);
  LogView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  LogView->horizontalHeader()->setStretchLastSection(false);
  for (std::size_t i = 0; i < widths.size(); ++i) LogView->setColumnWidth(static_cast<int>(i), widths[i]);
  // The selection stays visible when the list has no focus.
  QPalette palette = LogView->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  LogView->setPalette(palette);
  LogView->installEventFilter(this);
  connect(LogView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { RunGuarded([this] { LogViewSelectItem(); }); });

  PacketView = new QTreeWidget(Splitter);
  PacketView->setHeaderHidden(true);
  PacketView->setIndentation(kTreeIndent);
  PacketView->setUniformRowHeights(true);
  PacketView->setSelectionMode(QAbstractItemView::SingleSelection);
  PacketView->setContextMenuPolicy(Qt::CustomContextMenu);
  Splitter->addWidget(LogView);
  Splitter->addWidget(PacketView);
  Splitter->setStretchFactor(0, 1);
  Splitter->setStretchFactor(1, 0);
  Splitter->setSizes({400, kTreeHeight});

  TFindBar::TWindowCalls calls;
  calls.family = [this] { return Family(); };
  calls.find = [this](const TMatcher& m, std::optional<std::uint32_t> from, bool backward,
                      const std::atomic<bool>& cancel, const TFindProgress& progress) {
    return CoreFindRow(m, from, backward, cancel, progress);
  };
  calls.count = [this](const TMatcher& m, const std::atomic<bool>& cancel) { return CoreCountMatches(m, cancel); };
  calls.selectedRow = [this] { return SelectedRow(); };
  calls.selectRow = [this](std::uint32_t row) { SelectRow(row); };
  calls.note = [this](const QString& note) { SetStatusNote(note); };
  FindBar = new TFindBar(messages, std::move(calls));

  auto* messagesLayout = new QVBoxLayout(messages);
  messagesLayout->setContentsMargins(0, 0, 0, 0);
  messagesLayout->addWidget(FindBar);
  messagesLayout->addWidget(Splitter);
  Pages->addTab(messages, QString::fromUtf8("Сообщения"));

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(panel, 0);
  layout->addWidget(Pages, 1);

  BuildActions(commands);
}

TViewerWindow::~TViewerWindow() = default;

void TViewerWindow::BuildPanel(QWidget* panel) {
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  identity_ = new QVBoxLayout;
  layout->addLayout(identity_);
  layout->addWidget(Separator(panel));

  auto addBound = [&](const char* caption, QCheckBox*& box, QDateEdit*& date, QTimeEdit*& time) {
    box = new QCheckBox(QString::fromUtf8(caption), panel);
    date = new QDateEdit(panel);
    date->setCalendarPopup(true);
    date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    time = new QTimeEdit(panel);
    time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    auto* row = new QHBoxLayout;
    row->addWidget(date, 1);
    row->addWidget(time, 1);
    layout->addWidget(box);
    layout->addLayout(row);
  };
  addBound("Начало работы:", cbStartDateTime, dtStartDate, dtStartTime);
  addBound("Конец работы:", cbEndDateTime, dtEndDate, dtEndTime);
  layout->addWidget(Separator(panel));

  auto addKind = [&](const char* caption) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), panel);
    box->setChecked(true);
    layout->addWidget(box);
    return box;
  };
  cbConnects = addKind("Подключения");
  cbDisconnects = addKind("Отключения");
  cbIncoming = addKind("Входящие");
  cbOutgoing = addKind("Исходящие");
  cbKeyExchange = addKind("Обмен ключами");
  cbAuthentication = addKind("Аутентификация");
  // An expression over the records' fields, tested after the boxes above.
  cbMatch = new QCheckBox(QString::fromUtf8("Отбор:"), panel);
  edMatch = new QLineEdit(panel);
  edMatch->setToolTip(QString::fromUtf8("Например: MF_CARD_ID == 78260103617117487373 and MF_TRZ_RESPCODE != 0"));
  layout->addWidget(cbMatch);
  layout->addWidget(edMatch);
  layout->addWidget(Separator(panel));

  Button1 = new QPushButton(QString::fromUtf8("Применить"), panel);
  Button1->setDefault(true);
  layout->addWidget(Button1);
  lbExport = new QLabel(panel);
  lbExport->setWordWrap(true);
  lbExport->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lbExport);
  layout->addStretch(1);

  // Enter anywhere in the panel presses "Применить", the panel's default button.
  for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
    auto* enter = new QShortcut(QKeySequence(key), panel);
    enter->setContext(Qt::WidgetWithChildrenShortcut);
    connect(enter, &QShortcut::activated, Button1, &QPushButton::click);
  }
}

void TViewerWindow::BuildActions(bool commands) {
  acClose = new QAction(QString::fromUtf8("Закрыть"), this);
  // Alt+F4 reaches the active child through the main window's "Выход" (see
  // TfmMDICont): the shortcut is shown but not registered twice.
  acClose->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
  acApplyFilter = new QAction(QString::fromUtf8("Применить"), this);
  acGoto = new QAction(QString::fromUtf8("Перейти к..."), this);
  acGoto->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  acGoto->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  addAction(acGoto);
  acCopyValue = new QAction(QString::fromUtf8("Скопировать в буфер обмена"), this);
  acCopyAllValues = new QAction(QString::fromUtf8("Скопировать все в буфер обмена"), this);
  acCopyAllValues->setEnabled(false);  // until a tree is shown

  connect(acApplyFilter, &QAction::triggered, this, [this] { Reload(); });
  connect(Button1, &QPushButton::clicked, acApplyFilter, &QAction::trigger);
  connect(acGoto, &QAction::triggered, this, [this] { RunGuarded([this] { acGotoExecute(); }); });
  connect(acCopyAllValues, &QAction::triggered, this, [this] { RunGuarded([this] { acCopyAllValuesExecute(); }); });
  if (commands) {
    connect(acCopyValue, &QAction::triggered, this, [this] { RunGuarded([this] { acCopyValueExecute(); }); });
    connect(acClose, &QAction::triggered, this, [this] { RunGuarded([this] { acCloseExecute(); }); });
    connect(PacketView, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateCopyValue(); });
  } else {
    // Commands without a handler in this window: their entries stay disabled.
    acClose->setEnabled(false);
  }
  acCopyValue->setEnabled(false);

  pmPacketView = new QMenu(this);
  pmPacketView->addAction(acCopyValue);
  pmPacketView->addAction(acCopyAllValues);
  connect(PacketView, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { pmPacketView->popup(PacketView->viewport()->mapToGlobal(at)); });

  mnSearch = new QMenu(QString::fromUtf8("Поиск"), this);
  mnSearch->addAction(acGoto);
  BuildFinding();
}

void TViewerWindow::BuildFinding() {
  auto shortcut = [this](QAction* a, const QKeySequence& keys) {
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(a);
  };
  acFind = new QAction(QString::fromUtf8("Найти..."), this);
  shortcut(acFind, QKeySequence(Qt::CTRL | Qt::Key_F));
  acFindNext = new QAction(QString::fromUtf8("Найти далее"), this);
  shortcut(acFindNext, QKeySequence(Qt::Key_F3));
  acFindPrevious = new QAction(QString::fromUtf8("Найти ранее"), this);
  shortcut(acFindPrevious, QKeySequence(Qt::SHIFT | Qt::Key_F3));
  connect(acFind, &QAction::triggered, FindBar, &TFindBar::Open);
  // Without a text to look for, F3 opens the bar instead.
  auto findFrom = [this](bool backward) {
    if (FindBar->edFind->text().trimmed().isEmpty()) return FindBar->Open();
    FindBar->show();
    FindBar->Find(backward);
  };
  connect(acFindNext, &QAction::triggered, this, [findFrom] { findFrom(false); });
  connect(acFindPrevious, &QAction::triggered, this, [findFrom] { findFrom(true); });
  mnSearch->addSeparator();
  mnSearch->addAction(acFind);
  mnSearch->addAction(acFindNext);
  mnSearch->addAction(acFindPrevious);

  acCopyRow = new QAction(QString::fromUtf8("Скопировать строку"), this);
  connect(acCopyRow, &QAction::triggered, this, [this] { RunGuarded([this] { acCopyRowExecute(); }); });
  pmLogView = new QMenu(this);
  pmLogView->addAction(acCopyRow);
  LogView->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(LogView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    const QModelIndex index = LogView->indexAt(at);
    if (!index.isValid()) return;
    SelectRow(static_cast<std::uint32_t>(index.row()));
    pmLogView->popup(LogView->viewport()->mapToGlobal(at));
  });
}

QAction* TViewerWindow::AddNarrowingAction(const QString& caption, QCheckBox* box, QLineEdit* edit,
                                           std::size_t column) {
  auto* action = new QAction(caption, this);
  connect(action, &QAction::triggered, this, [this, box, edit, column] {
    RunGuarded([this, box, edit, column] {
      const auto row = SelectedRow();
      if (!row) return;
      std::vector<std::string> cells;
      CoreRowTexts(*row, cells);
      if (column >= cells.size()) return;
      box->setChecked(true);
      edit->setText(QString::fromStdString(cells[column]));
      Reload();
    });
  });
  pmLogView->addAction(action);
  return action;
}

std::shared_ptr<const TMatcher> TViewerWindow::PanelMatcher() const {
  const std::string text = edMatch->text().trimmed().toStdString();
  if (!cbMatch->isChecked() || text.empty()) return nullptr;
  return std::make_shared<const TMatcher>(text, Family());
}

void TViewerWindow::SelectRow(std::uint32_t row) {
  if (row >= model_->RowCount()) return;
  const QModelIndex index = model_->index(static_cast<int>(row), 0);
  LogView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  LogView->scrollTo(index);
}

void TViewerWindow::acCopyRowExecute() {
  const auto row = SelectedRow();
  if (!row) return;
  std::vector<std::string> cells;
  CoreRowTexts(*row, cells);
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) line += (i ? "\t" : "") + cells[i];
  QGuiApplication::clipboard()->setText(QString::fromStdString(line));
}

void TViewerWindow::acCopyAllValuesExecute() {
  if (!treeText_.empty()) QGuiApplication::clipboard()->setText(QString::fromStdString(treeText_));
}

void TViewerWindow::FormCreate() {
  setWindowTitle(QString::fromStdString(Caption()));
  SetPickersToNow();
  Reload();
}

void TViewerWindow::SetPickersToNow() {
  // Each picker reads the clock anew; the pickers show whole seconds, and hold what they show.
  auto now = [] {
    QDateTime t = QDateTime::currentDateTime();
    return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute(), t.time().second()));
  };
  dtStartDate->setDate(now().date());
  dtStartTime->setTime(now().time());
  dtEndDate->setDate(now().date());
  dtEndTime->setTime(now().time());
}

TTimeBounds TViewerWindow::ReadTimeBounds() const {
  TTimeBounds bounds;
  bounds.startChecked = cbStartDateTime->isChecked();
  bounds.startMs = PickerDateTimeMs(DateMs(dtStartDate->date()), TimeOfDayMs(dtStartTime->time()));
  bounds.endChecked = cbEndDateTime->isChecked();
  bounds.endMs = PickerDateTimeMs(DateMs(dtEndDate->date()), TimeOfDayMs(dtEndTime->time()));
  return bounds;
}

TKindBoxes TViewerWindow::ReadKindBoxes() const {
  TKindBoxes kinds;
  kinds.connects = cbConnects->isChecked();
  kinds.disconnects = cbDisconnects->isChecked();
  kinds.incoming = cbIncoming->isChecked();
  kinds.outgoing = cbOutgoing->isChecked();
  kinds.keyExchange = cbKeyExchange->isChecked();
  kinds.authentication = cbAuthentication->isChecked();
  return kinds;
}

void TViewerWindow::ClearList() {
  model_->SetRowCount(0);
  ShowTree(TSelection{});
  emit statusChanged();
}

bool TViewerWindow::Reload() {
  if (reloading_ || closed_) return false;
  // A search must not read the index that the rebuild replaces.
  FindBar->Cancel();
  reloading_ = true;
  // The charts and export of the rebuild before stop first: the index they
  // read is about to be rebuilt.
  CancelBackground();
  // The list forgets its rows before the index closes its view: no row may be
  // painted from a view that is gone.
  ClearList();
  std::exception_ptr error;
  {
    TLongWork work(this);
    try {
      CoreReloadIndex([&work](TWorkStage stage, std::uint64_t done, std::uint64_t total) {
        work.Step(WorkStageText(stage), done, total);
      });
    } catch (...) {
      error = std::current_exception();
    }
  }
  // The rows of the index are shown at once, also those that an index
  // stopped by an error had listed.
  model_->SetRowCount(CoreRowCount());
  FitColumns();
  emit statusChanged();
  if (error) {
    AfterReload();
    ShowExportResult();
  } else {
    StartBackground();
  }
  reloading_ = false;
  if (error) TErrorDisplay::Show(error);
  return !error;
}

void TViewerWindow::StartBackground() {
  BeforeBackground();
  ShowExportResult();
  const std::uint64_t generation = ++generation_;
  // Called on the work's thread: the outcome is taken on this window's thread.
  CoreStartRest([this, generation] {
    QMetaObject::invokeMethod(this, [this, generation] { BackgroundFinished(generation); }, Qt::QueuedConnection);
  });
  if (!CoreWork().Started()) return;
  if (!progressTimer_) {
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(kProgressEveryMs);
    connect(progressTimer_, &QTimer::timeout, this, [this] { ShowBackgroundProgress(); });
  }
  progressTimer_->start();
  ShowBackgroundProgress();
}

void TViewerWindow::ShowBackgroundProgress() {
  const TWorkState state = CoreWork().State();
  const int percent = state.total ? static_cast<int>(std::min(state.done, state.total) * 100 / state.total) : 0;
  const char* stage = state.stage == TWorkStage::Export ? "Выгрузка: %1 %" : "Построение графиков: %1 %";
  const QString note = QString::fromUtf8(stage).arg(percent);
  // A search's note stays until the work has news of its own.
  if (note_.isEmpty() || note_ == workNote_) SetStatusNote(note);
  workNote_ = note;
  BackgroundProgressed();
}

void TViewerWindow::CancelBackground() {
  ++generation_;
  if (progressTimer_) progressTimer_->stop();
  if (CoreWork().Started()) CoreCancelRest();
  if (!workNote_.isEmpty() && note_ == workNote_) SetStatusNote(QString());
  workNote_.clear();
}

void TViewerWindow::BackgroundFinished(std::uint64_t generation) {
  if (generation != generation_ || !CoreWork().Started()) return;
  if (progressTimer_) progressTimer_->stop();
  const std::exception_ptr error = CoreFinishRest();
  if (note_ == workNote_) SetStatusNote(QString());
  workNote_.clear();
  AfterReload();
  ShowExportResult();
  emit backgroundFinished();
  if (error) TErrorDisplay::Show(error);
}

bool TViewerWindow::BackgroundBusy() const { return CoreWork().Started(); }

void TViewerWindow::WaitForBackground() {
  while (BackgroundBusy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TViewerWindow::ShowExportResult() {
  const TExportResult& result = LastExport();
  if (result.written) {
    // The whole path: the export may lie in the per-user folder rather than beside the program.
    lbExport->setText(QString::fromUtf8("Выгрузка: ") + QDir::toNativeSeparators(QString::fromStdString(result.path)));
    lbExport->setToolTip(QString::fromStdString(result.path));
  } else if (result.attempted) {
    lbExport->setText(QString::fromUtf8("Выгрузка не записана: ") + QString::fromStdString(result.reason));
    lbExport->setToolTip(QString::fromStdString(result.path));
  } else {
    lbExport->clear();
    lbExport->setToolTip(QString());
  }
}

std::optional<std::uint32_t> TViewerWindow::SelectedRow() const {
  const QModelIndexList rows = LogView->selectionModel()->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  return static_cast<std::uint32_t>(rows.front().row());
}

std::uint32_t TViewerWindow::ListRowCount() const { return model_->RowCount(); }

QString TViewerWindow::StatusRecords() const {
  const QLocale russian(QLocale::Russian, QLocale::Russia);
  return QString::fromUtf8("Записи: %1 из %2")
      .arg(russian.toString(static_cast<qulonglong>(model_->RowCount())),
           russian.toString(static_cast<qulonglong>(CoreRecordCount())));
}

QString TViewerWindow::StatusTime() const {
  const auto row = SelectedRow();
  if (!row || *row >= model_->RowCount()) return QString();
  std::vector<std::string> cells;
  CoreRowTexts(*row, cells);
  return cells.size() > kTimeColumn ? QString::fromStdString(cells[kTimeColumn]) : QString();
}

void TViewerWindow::SetStatusNote(const QString& note) {
  if (note == note_) return;
  note_ = note;
  emit statusChanged();
}

// Widens "#" to the digits of the last row number and the columns with samples
// to their widest sample; a column is never narrower than its own width.
void TViewerWindow::FitColumns() {
  const QFontMetrics metrics(LogView->font());
  const int margin = 2 * LogView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, LogView) + 12;
  const auto fit = [&](int column, const QStringList& texts) {
    int width = minWidths_[static_cast<std::size_t>(column)];
    for (const QString& text : texts) width = std::max(width, metrics.horizontalAdvance(text) + margin);
    LogView->setColumnWidth(column, width);
  };
  const std::uint32_t rows = model_->RowCount();
  fit(0, {QString(QString::number(rows == 0 ? 0 : rows - 1).size(), QLatin1Char('0'))});
  for (int column = 1; column < static_cast<int>(minWidths_.size()); ++column) {
    const QStringList samples = ColumnSamples(column);
    if (!samples.isEmpty()) fit(column, samples);
  }
}

void TViewerWindow::LogViewSelectItem() {
  emit statusChanged();
  const auto row = SelectedRow();
  PacketView->setFont(row && FixedPitchTree(*row) ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : font());
  TSelection selection = CoreSelectItem(row);
  if (selection.action == TSelection::Keep) return;
  ShowTree(selection);
}

void TViewerWindow::ShowTree(const TSelection& selection) {
  PacketView->setUpdatesEnabled(false);
  PacketView->clear();
  treeText_ = selection.action == TSelection::Show ? TreeText(selection.nodes) : std::string();
  acCopyAllValues->setEnabled(!treeText_.empty());
  if (selection.action == TSelection::Show) {
    for (const auto& node : selection.nodes) {
      auto* item = new QTreeWidgetItem(PacketView, QStringList(QString::fromStdString(node->text)));
      AddTreeNodes(item, *node);
    }
    PacketView->expandAll();
  }
  PacketView->setUpdatesEnabled(true);
  UpdateCopyValue();
}

void TViewerWindow::UpdateCopyValue() {
  if (!commands_) return;
  acCopyValue->setEnabled(!PacketView->selectedItems().isEmpty());
}

void TViewerWindow::acGotoExecute() {
  const auto row = SelectedRow();
  QString text = row ? QString::number(*row) : QString();
  const QString caption = QString::fromUtf8("Перейти к...");
  const QString prompt = QString::fromUtf8("Введите № сообщения");
  const bool entered = CurrentAskText() ? CurrentAskText()(caption, prompt, text)
                                        : AskWithInputBox(this, caption, prompt, text);
  if (!entered) return;
  GotoRow(text);
}

void TViewerWindow::GotoRow(const QString& text) {
  const std::int32_t n = TextToInt(text.toStdString());
  if (n < 0 || static_cast<std::uint32_t>(n) >= model_->RowCount()) return;
  const QModelIndex index = model_->index(n, 0);
  LogView->selectionModel()->setCurrentIndex(index,
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  LogView->scrollTo(index, QAbstractItemView::PositionAtTop);
}

void TViewerWindow::acCopyValueExecute() {
  const auto items = PacketView->selectedItems();
  if (items.isEmpty()) return;
  QGuiApplication::clipboard()->setText(items.front()->text(0));
}

void TViewerWindow::acCloseExecute() {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
    sub->close();
  else
    close();
}

void TViewerWindow::closeEvent(QCloseEvent* event) {
  if (reloading_) {
    // The index being built is still read; the window closes after it.
    event->ignore();
    return;
  }
  if (!closed_) {
    closed_ = true;
    FindBar->Cancel();  // before the index closes
    // The background work stops and lets go of the index before the
    // temporary log goes.
    CancelBackground();
    model_->SetRowCount(0);
    RunGuarded([this] { CoreFormClose(); });
  }
  event->accept();
}

bool TViewerWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LogView && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->text() == QStringLiteral("g") || key->text() == QStringLiteral("G")) {
      acGoto->trigger();  // does nothing where the command is disabled
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace pkt
