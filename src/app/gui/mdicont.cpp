#include "app/gui/mdicont.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

#include <iterator>
#include <memory>
#include <vector>

#include "app/gui/about_box.h"
#include "app/gui/error_display.h"
#include "app/gui/long_work.h"
#include "app/log_opening.h"
#include "app/unpack.h"
#include "viewers/gui/h2h_window.h"
#include "viewers/gui/terminal_window.h"

namespace pkt {

const TLogFileType kLogFileTypes[5] = {
    {"Журнал сетевых пакетов (NS*.pkt)", "NS*.pkt", true},
    {"Журнал сетевых пакетов H2H (H2H*.pkt)", "H2H*.pkt", false},
    {"Журнал сетевых пакетов H2H DKV (H2D*.pkt)", "H2D*.pkt", false},
    {"Журнал сетевых пакетов H2A Alfabank SVFE  (H2A*.pkt)", "H2A*.pkt", false},
    {"Журнал сетевых пакетов H2O БФКО (H2O*.pkt)", "H2O*.pkt", false},
};

QStringList OpenDialogFilters() {
  QStringList filters;
  for (const auto& type : kLogFileTypes) {
    const QString mask = QString::fromUtf8(type.mask);
    QStringList patterns{mask};
    for (const char* suffix : kCompressorSuffixes) patterns << mask + QString::fromUtf8(suffix);
    patterns << QString(mask).replace(QStringLiteral(".pkt"), QStringLiteral(".zip"));
    filters << QString::fromUtf8(type.description) + " (" + patterns.join(' ') + ")";
  }
  return filters;
}

int OpenDialogTypeIndex(const QString& selected) {
  const QStringList filters = OpenDialogFilters();
  for (int i = 0; i < filters.size(); ++i) {
    const QString description = QString::fromUtf8(kLogFileTypes[i].description);
    if (selected == filters[i] || selected == description || selected == description.simplified()) return i + 1;
  }
  return 0;
}

namespace {

std::string Local8(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }

// The local files of a drag, or nothing when it carries anything else.
QStringList LocalPaths(const QMimeData* data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) return {};
    paths << url.toLocalFile();
  }
  return paths;
}

bool RunOpenDialog(QWidget* parent, QStringList& files, int& filterIndex) {
  QFileDialog dialog(parent, QString::fromUtf8("Выберите файл журнала"));
  const QStringList filters = OpenDialogFilters();
  // The list of types shows the descriptions alone, as they are named; the
  // patterns in the last parentheses only choose the files.
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QStringLiteral("pkt"));
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::ReadOnly, true);
  // Log names are matched without regard to case, as the servers' platform does.
  dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
  if (dialog.exec() != QDialog::Accepted) return false;
  files = dialog.selectedFiles();
  filterIndex = OpenDialogTypeIndex(dialog.selectedNameFilter());
  return !files.isEmpty();
}

bool RunFolderChooser(QWidget* parent, QString& folder) {
  QString initial = folder;
  if (!initial.isEmpty() && !QFileInfo(initial).isDir()) initial.clear();
  const QString chosen = QFileDialog::getExistingDirectory(parent, QString::fromUtf8("Рабочая папка"), initial,
                                                           QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return false;
  folder = chosen;
  return true;
}

}  // namespace

TfmMDICont::AskFiles TfmMDICont::SetAskFiles(AskFiles ask) {
  AskFiles previous = std::move(askFiles_);
  askFiles_ = std::move(ask);
  return previous;
}

TfmMDICont::AskFolder TfmMDICont::SetAskFolder(AskFolder ask) {
  AskFolder previous = std::move(askFolder_);
  askFolder_ = std::move(ask);
  return previous;
}

TfmMDICont::TfmMDICont(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QString::fromUtf8("Модуль просмотра журнала сетевых сообщений"));
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(8);
  setFont(font);

  mdiArea_ = new QMdiArea(this);
  mdiArea_->setBackground(palette().brush(QPalette::Dark));
  mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdiArea_);
  setAcceptDrops(true);
  stat1 = new QStatusBar(this);
  setStatusBar(stat1);
  lbStatusNote = new QLabel(stat1);
  lbStatusRecords = new QLabel(stat1);
  lbStatusTime = new QLabel(stat1);
  lbStatusTime->setToolTip(QString::fromUtf8("Время выбранной записи"));
  stat1->addWidget(lbStatusNote, 1);
  stat1->addPermanentWidget(lbStatusRecords);
  stat1->addPermanentWidget(lbStatusTime);
  resize(770, 649 + menuBar()->sizeHint().height() + stat1->sizeHint().height());

  auto action = [this](const char* caption, auto handler) {
    auto* a = new QAction(QString::fromUtf8(caption), this);
    connect(a, &QAction::triggered, this, [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
    return a;
  };
  acOpen = action("Открыть...", &TfmMDICont::acOpenExecute);
  acOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  acOpenFolder = action("Открыть папку...", &TfmMDICont::acOpenFolderExecute);
  acExit = action("Выход", &TfmMDICont::acExitExecute);
  // Alt+F4 is shown on "Выход"; the key itself goes to the active viewer's
  // "Закрыть" when it has one, otherwise it ends the program (below).
  acExit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
  acExit->setShortcutContext(Qt::WidgetShortcut);
  acAbout = action("О программе", &TfmMDICont::acAboutExecute);

  auto windowAction = [this](const char* caption, auto handler) {
    auto* a = new QAction(QString::fromUtf8(caption), this);
    a->setToolTip(a->text());
    a->setStatusTip(a->text());
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  WindowTileHorizontal1 = windowAction("Окна сверху вниз", [this] { TileTopToBottom(); });
  WindowTileVertical1 = windowAction("Окна слева направо", [this] { TileSideBySide(); });
  WindowCascade1 = windowAction("Окна каскадом", [this] { mdiArea_->cascadeSubWindows(); });
  WindowMinimizeAll1 = windowAction("Свернуть окна", [this] {
    for (auto* w : mdiArea_->subWindowList()) w->showMinimized();
  });
  WindowClose1 = windowAction("Закрыть окно", [this] { mdiArea_->closeActiveSubWindow(); });

  mnFile = menuBar()->addMenu(QString::fromUtf8("Файл"));
  mnFile->addAction(acOpen);
  mnFile->addAction(acOpenFolder);
  mnFile->addSeparator();
  mnFile->addAction(acExit);
  mnWindows = menuBar()->addMenu(QString::fromUtf8("Окна"));
  mnWindows->setToolTipsVisible(true);
  for (QAction* a : {WindowTileHorizontal1, WindowTileVertical1, WindowCascade1, WindowMinimizeAll1, WindowClose1})
    mnWindows->addAction(a);
  mnHelp = menuBar()->addMenu(QString::fromUtf8("Справка"));
  mnHelp->addAction(acAbout);

  auto* altF4 = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
  connect(altF4, &QShortcut::activated, this, [this] {
    TViewerWindow* viewer = ActiveViewer();
    if (viewer && viewer->acClose->isEnabled())
      viewer->acClose->trigger();
    else
      acExit->trigger();
  });

  connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TfmMDICont::SubWindowActivated);
  UpdateWindowActions();
  FormCreate();
}

TfmMDICont::~TfmMDICont() {
  // Viewers still open go with the container, without their close step. Their
  // deactivation and destruction must not reach this window's handlers once it
  // is being destroyed.
  disconnect(mdiArea_, nullptr, this, nullptr);
  disconnect(statusConnection_);
  for (QMdiSubWindow* sub : mdiArea_->subWindowList()) disconnect(sub, nullptr, this, nullptr);
}

void TfmMDICont::FormCreate() { RemoveLeftoverFiles(); }

void TfmMDICont::acOpenExecute() {
  QStringList files;
  int filterIndex = 0;
  const bool chosen = askFiles_ ? askFiles_(files, filterIndex) : RunOpenDialog(this, files, filterIndex);
  if (!chosen) return;
  OpenFiles(files, filterIndex);
}

void TfmMDICont::acOpenFolderExecute() {
  QString folder = workingFolder_;
  const bool chosen = askFolder_ ? askFolder_(folder) : RunFolderChooser(this, folder);
  if (!chosen) return;
  workingFolder_ = folder;
  OpenFolder(workingFolder_);
}

TViewerWindow* TfmMDICont::OpenFiles(const QStringList& files, int filterIndex) {
  // A filter index that names no viewer opens nothing; no merged log is left behind for it.
  if (files.isEmpty() || filterIndex < 1 || filterIndex > static_cast<int>(std::size(kLogFileTypes))) return nullptr;
  std::vector<std::string> paths;
  for (const auto& f : files) paths.push_back(Local8(f));
  std::string tempPath;
  {
    TLongWork work(this);
    tempPath = OpenLogFiles(paths, [&work](std::uint64_t copied, std::uint64_t total) {
      work.Step(WorkStageText(TWorkStage::Merge), copied, total);
    });
  }
  const std::string& fileName = paths.front();
  const std::string caption = OpeningCaption(fileName);
  if (kLogFileTypes[filterIndex - 1].terminal)
    return ShowViewer(new TfmTerminalViewer(this, caption, fileName, tempPath));
  return ShowViewer(new TfmH2HViewer(this, caption, fileName, tempPath));
}

TViewerWindow* TfmMDICont::OpenFolder(const QString& folder) {
  const std::string path = Local8(folder);
  std::string tempPath;
  {
    TLongWork work(this);
    tempPath = MergeLogFolder(path, [&work](std::uint64_t copied, std::uint64_t total) {
      work.Step(WorkStageText(TWorkStage::Merge), copied, total);
    });
  }
  return ShowViewer(new TfmTerminalViewer(this, OpeningCaption(path), path, tempPath));
}

TViewerWindow* TfmMDICont::OpenPaths(const QStringList& paths) {
  QStringList absolute;
  for (const QString& path : paths) absolute << QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  if (absolute.size() == 1 && QFileInfo(absolute.front()).isDir()) {
    workingFolder_ = absolute.front();
    return OpenFolder(workingFolder_);
  }
  std::vector<std::string> names;
  for (const QString& path : absolute) names.push_back(Local8(path));
  const TLogFamily family = LogFamilyOfNames(names);
  // The first file type opens the terminal viewer, the others the host-to-host one.
  return OpenFiles(absolute, family == TLogFamily::Terminal ? 1 : 2);
}

void TfmMDICont::OpenPathsLater(const QStringList& paths) {
  if (paths.isEmpty()) return;
  QTimer::singleShot(0, this, [this, paths] { RunGuarded([&] { OpenPaths(paths); }); });
}

void TfmMDICont::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalPaths(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TfmMDICont::dropEvent(QDropEvent* event) {
  const QStringList paths = LocalPaths(event->mimeData());
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  // The merge runs after the drop has ended, so that the file manager is not held while it copies.
  OpenPathsLater(paths);
}

TViewerWindow* TfmMDICont::ShowViewer(TViewerWindow* viewer) {
  const QSize size = viewer->size();
  QMdiSubWindow* sub = mdiArea_->addSubWindow(viewer);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  // The window's own size, as far as the workspace holds it.
  sub->resize(size.boundedTo(mdiArea_->viewport()->size()));
  connect(sub, &QObject::destroyed, this, [this](QObject* gone) {
    UpdateWindowActions(gone);
    // The window whose status was shown may be the one gone (its pointer is
    // then cleared); the next active window's status follows its activation.
    ShowStatus();
  });
  sub->show();
  mdiArea_->setActiveSubWindow(sub);
  UpdateWindowActions();
  return viewer;
}

void TfmMDICont::acExitExecute() { close(); }

void TfmMDICont::acAboutExecute() {
  auto box = std::make_unique<TAboutBox>(this);
  box->exec();
}

QList<TViewerWindow*> TfmMDICont::Viewers() const {
  QList<TViewerWindow*> viewers;
  for (auto* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder))
    if (auto* v = qobject_cast<TViewerWindow*>(sub->widget())) viewers << v;
  return viewers;
}

TViewerWindow* TfmMDICont::ActiveViewer() const {
  QMdiSubWindow* sub = mdiArea_->activeSubWindow();
  if (!sub) sub = mdiArea_->currentSubWindow();
  return sub ? qobject_cast<TViewerWindow*>(sub->widget()) : nullptr;
}

void TfmMDICont::SubWindowActivated(QMdiSubWindow* window) {
  // While the main window itself is inactive no child is active; the child
  // that was active keeps its menu.
  if (!window) window = mdiArea_->currentSubWindow();
  QMenu* menu = nullptr;
  if (window)
    if (auto* viewer = qobject_cast<TViewerWindow*>(window->widget())) menu = viewer->SearchMenu();
  if (menu != mergedMenu_) {
    if (mergedMenu_) menuBar()->removeAction(mergedMenu_->menuAction());
    mergedMenu_ = menu;
    // The child's menu stands between "Файл" and "Окна".
    if (menu) menuBar()->insertMenu(mnWindows->menuAction(), menu);
  }
  FollowStatus(window ? qobject_cast<TViewerWindow*>(window->widget()) : nullptr);
  UpdateWindowActions();
}

void TfmMDICont::FollowStatus(TViewerWindow* viewer) {
  if (viewer != statusViewer_) {
    disconnect(statusConnection_);
    statusViewer_ = viewer;
    if (viewer) statusConnection_ = connect(viewer, &TViewerWindow::statusChanged, this, &TfmMDICont::ShowStatus);
  }
  ShowStatus();
}

void TfmMDICont::ShowStatus() {
  TViewerWindow* viewer = statusViewer_;
  lbStatusNote->setText(viewer ? viewer->StatusNote() : QString());
  lbStatusRecords->setText(viewer ? viewer->StatusRecords() : QString());
  lbStatusTime->setText(viewer ? viewer->StatusTime() : QString());
}

void TfmMDICont::UpdateWindowActions(const QObject* leaving) {
  int children = 0;
  for (auto* sub : mdiArea_->subWindowList())
    if (sub != leaving) ++children;
  for (QAction* a : {WindowTileHorizontal1, WindowTileVertical1, WindowCascade1, WindowMinimizeAll1, WindowClose1})
    a->setEnabled(children > 0);
}

QList<QMdiSubWindow*> TfmMDICont::ArrangedWindows() const {
  // The windows that are not minimised, the active one first.
  QList<QMdiSubWindow*> windows;
  const auto stacking = mdiArea_->subWindowList(QMdiArea::StackingOrder);
  for (auto it = stacking.rbegin(); it != stacking.rend(); ++it)
    if (!(*it)->isMinimized() && !(*it)->isHidden()) windows << *it;
  return windows;
}

void TfmMDICont::TileTopToBottom() { TileInStrips(Qt::Vertical); }

void TfmMDICont::TileSideBySide() { TileInStrips(Qt::Horizontal); }

void TfmMDICont::TileInStrips(Qt::Orientation direction) {
  const auto windows = ArrangedWindows();
  if (windows.isEmpty()) return;
  const QRect area = mdiArea_->viewport()->rect();
  const bool columns = direction == Qt::Horizontal;
  const int length = columns ? area.width() : area.height();
  const int n = static_cast<int>(windows.size());
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow* w = windows[i];
    if (w->isMaximized()) w->showNormal();
    const int from = length * i / n, to = length * (i + 1) / n;
    if (columns)
      w->setGeometry(area.left() + from, area.top(), to - from, area.height());
    else
      w->setGeometry(area.left(), area.top() + from, area.width(), to - from);
  }
}

}  // namespace pkt
