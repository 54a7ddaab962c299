#pragma once
// The one error display of the desktop application: every error that leaves an
// event handler is shown to the operator in a message box, and the program
// goes on. Errors of the program's own classes show their message; any other
// error shows an empty message.
#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

namespace pkt {

class TErrorDisplay {
 public:
  // Receives the message of every error shown. The default shows a message box.
  using Sink = std::function<void(const QString& message)>;

  // The operator's message for an error: what() of the program's errors, empty otherwise.
  static QString MessageOf(std::exception_ptr error);
  // Shows the error (through the sink).
  static void Show(std::exception_ptr error);
  // Replaces the sink (an empty sink restores the message box); returns the previous one.
  static Sink SetSink(Sink sink);
};

// Runs one step of an event handler; an error that leaves it goes to the error
// display. Returns false when the step raised.
template <class F>
bool RunGuarded(F&& step) {
  try {
    step();
    return true;
  } catch (...) {
    TErrorDisplay::Show(std::current_exception());
    return false;
  }
}

// The application object: its event delivery catches what an event handler
// lets escape and shows it, so that the message loop carries on.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// The application title, also the caption of the error message boxes.
extern const char* const kApplicationTitle;

}  // namespace pkt
