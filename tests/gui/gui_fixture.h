#pragma once
// The window tests: one application object for the whole test program
// (offscreen unless told otherwise), a program directory of its own for every
// test, and the dialogs replaced by answers the test gives.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>

#include <filesystem>
#include <string>
#include <vector>

#include "app/gui/error_display.h"
#include "platform/process.h"
#include "support/record_builder.h"
#include "support/tlv_builder.h"
#include "viewers/gui/viewer_window.h"

namespace pkt::test {

inline QApplication& App() {
  static int argc = 1;
  static char name[] = "tests_gui";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static TApplication* app = new TApplication(argc, argv);
  return *app;
}

// Deletes the windows whose deletion was asked for (closed windows).
inline void FlushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

// A small request message: message type, transaction number, issuer.
inline Bytes RequestTlv(std::uint32_t number = 42) {
  return TlvBuilder().Byte(2, 8).DWord(3, number).Word(5, 1101).WithRoot();
}

// Every test runs with its own program directory (merged logs and exports go
// there), records the error display's messages and answers the input box.
class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    SetProgramDirectory(programDir.path());
    TErrorDisplay::SetSink([this](const QString& m) { errors << m; });
    TViewerWindow::SetAskText([this](const QString& caption, const QString& prompt, QString& text) {
      asked << (caption + "|" + prompt + "|" + text);
      if (answers.isEmpty()) return false;
      text = answers.takeFirst();
      return true;
    });
  }
  void TearDown() override {
    FlushDeletes();
    TViewerWindow::SetAskText({});
    TErrorDisplay::SetSink({});
    SetProgramDirectory("");
  }

  // The files of the program directory whose names begin with prefix and end with suffix.
  std::vector<std::string> ProgramFiles(const std::string& prefix, const std::string& suffix) const {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(programDir.path())) {
      const std::string n = e.path().filename().string();
      if (n.size() >= prefix.size() + suffix.size() && n.compare(0, prefix.size(), prefix) == 0 &&
          n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
        found.push_back(e.path().string());
    }
    return found;
  }

  TempFolder programDir;  // the program directory of the test
  TempFolder logs;        // the operator's log files
  QStringList errors;     // what the error display showed
  QStringList asked;      // "caption|prompt|proposed" of every input box
  QStringList answers;    // what the operator types into the next input boxes
};

}  // namespace pkt::test
