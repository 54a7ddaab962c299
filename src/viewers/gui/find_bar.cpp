#include "viewers/gui/find_bar.h"

#include <QHBoxLayout>
#include <QMetaObject>
#include <QShortcut>


namespace pkt {

TFindBar::TFindBar(QWidget* parent, TWindowCalls calls) : QWidget(parent), calls_(std::move(calls)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 2);
  auto* caption = new QLabel(QString::fromUtf8("Найти:"), this);
  edFind = new QLineEdit(this);
  edFind->setPlaceholderText(QString::fromUtf8("выражение или слово"));
  btNext = new QPushButton(QString::fromUtf8("Найти далее"), this);
  btPrevious = new QPushButton(QString::fromUtf8("Найти ранее"), this);
  lbCount = new QLabel(this);
  btClose = new QToolButton(this);
  btClose->setText(QStringLiteral("✕"));
  btClose->setAutoRaise(true);
  layout->addWidget(caption);
  layout->addWidget(edFind, 1);
  layout->addWidget(btNext);
  layout->addWidget(btPrevious);
  layout->addWidget(lbCount);
  layout->addWidget(btClose);

  connect(btNext, &QPushButton::clicked, this, [this] { Find(false); });
  connect(btPrevious, &QPushButton::clicked, this, [this] { Find(true); });
  connect(edFind, &QLineEdit::returnPressed, this, [this] { Find(false); });
  connect(edFind, &QLineEdit::textChanged, this, [this] { lbCount->clear(); });
  connect(btClose, &QToolButton::clicked, this, [this] {
    Cancel();
    hide();
  });
  // Esc stops a running search; without one it closes the bar. It works from
  // the list as well as from the bar.
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), parent ? parent : this);
  esc->setContext(Qt::WidgetWithChildrenShortcut);
  connect(esc, &QShortcut::activated, this, [this] {
    if (searching_) {
      Cancel();
      calls_.note(QString::fromUtf8("Поиск отменён"));
      emit searchDone();
    } else {
      hide();
    }
  });
  hide();
}

TFindBar::~TFindBar() { Cancel(); }

void TFindBar::Open() {
  show();
  edFind->setFocus();
  edFind->selectAll();
}

TMatcher TFindBar::Compile(const QString& text, TLogFamily family) {
  const std::string expr = text.trimmed().toStdString();
  try {
    return TMatcher(expr, family);
  } catch (const MatchError&) {
    const bool word = !expr.empty() && expr.find_first_of(" \t\"\\") == std::string::npos;
    if (!word) throw;
  }
  return TMatcher("\"" + expr + "\"", family);
}

void TFindBar::Join() {
  if (worker_.joinable()) worker_.join();
}

void TFindBar::Cancel() {
  ++generation_;  // whatever the running search still posts is dropped
  if (cancel_) cancel_->store(true);
  Join();
  cancel_.reset();
  searching_ = false;
}

void TFindBar::Find(bool backward) {
  Cancel();
  std::shared_ptr<const TMatcher> matcher;
  try {
    matcher = std::make_shared<const TMatcher>(Compile(edFind->text(), calls_.family()));
  } catch (const MatchError& e) {
    calls_.note(QString::fromUtf8(e.what()));
    emit searchDone();
    return;
  }
  const unsigned generation = generation_;
  const std::optional<std::uint32_t> from = calls_.selectedRow();
  const QString text = edFind->text();
  const bool countToo = text != countedText_ || lbCount->text().isEmpty();
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  searching_ = true;
  calls_.note(QString::fromUtf8("Поиск…"));
  auto cancel = cancel_;
  auto find = calls_.find;
  auto count = calls_.count;
  worker_ = std::thread([this, matcher, cancel, find, count, from, backward, generation, text, countToo] {
    int shown = -1;
    TFoundRow found;
    std::optional<std::uint64_t> matches;
    try {
      found = find(*matcher, from, backward, *cancel, [&](std::uint64_t done, std::uint64_t total) {
        const int percent = total ? static_cast<int>(done * 100 / total) : 100;
        if (percent == shown) return;
        shown = percent;
        QMetaObject::invokeMethod(this, [this, generation, percent] { Progress(generation, percent); },
                                  Qt::QueuedConnection);
      });
      QMetaObject::invokeMethod(this, [this, generation, found, backward] { Deliver(generation, found, backward); },
                                Qt::QueuedConnection);
      if (!countToo || found.cancelled) return;
      matches = count(*matcher, *cancel);
    } catch (const std::exception&) {
      // A record that cannot be read ends the search as not found.
      found = TFoundRow{};
      QMetaObject::invokeMethod(this, [this, generation, found, backward] { Deliver(generation, found, backward); },
                                Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(this, [this, generation, text, matches] { DeliverCount(generation, text, matches); },
                              Qt::QueuedConnection);
  });
}

void TFindBar::Progress(unsigned generation, int percent) {
  if (generation != generation_ || !searching_) return;
  calls_.note(QString::fromUtf8("Поиск: %1 %").arg(percent));
}

void TFindBar::Deliver(unsigned generation, TFoundRow found, bool backward) {
  if (generation != generation_) return;
  searching_ = false;
  if (found.cancelled) {
    calls_.note(QString::fromUtf8("Поиск отменён"));
  } else if (!found.row) {
    calls_.note(QString::fromUtf8("Не найдено"));
  } else {
    calls_.selectRow(*found.row);
    calls_.note(!found.wrapped ? QString()
                : backward     ? QString::fromUtf8("Поиск продолжен с конца списка")
                               : QString::fromUtf8("Поиск продолжен с начала списка"));
  }
  emit searchDone();
}

void TFindBar::DeliverCount(unsigned generation, QString text, std::optional<std::uint64_t> count) {
  if (generation != generation_) return;
  Join();  // the worker posted this as its last act
  cancel_.reset();
  if (!count) return;
  countedText_ = text;
  lbCount->setText(QString::fromUtf8("Совпадений: %1").arg(*count));
  emit countDone();
}

}  // namespace pkt
