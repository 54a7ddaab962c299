#include "app/gui/error_display.h"

#include <QMessageBox>

#include "platform/errors.h"

namespace pkt {

const char* const kApplicationTitle = "Просмотр журнала сетевых сообщений";

namespace {

TErrorDisplay::Sink& CurrentSink() {
  static TErrorDisplay::Sink sink;
  return sink;
}

void ShowMessageBox(const QString& message) {
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), message, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

}  // namespace

QString TErrorDisplay::MessageOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const Error& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QString();
  }
}

void TErrorDisplay::Show(std::exception_ptr error) {
  if (!error) return;
  const QString message = MessageOf(error);
  if (CurrentSink())
    CurrentSink()(message);
  else
    ShowMessageBox(message);
}

TErrorDisplay::Sink TErrorDisplay::SetSink(Sink sink) {
  Sink previous = std::move(CurrentSink());
  CurrentSink() = std::move(sink);
  return previous;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    TErrorDisplay::Show(std::current_exception());
    return false;
  }
}

}  // namespace pkt
