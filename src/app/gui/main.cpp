// pktview: the desktop viewer of the network's packet logs.
//   pktview [FILE... | FOLDER]
// opens the named logs at start-up as "Открыть..." does (or the folder as
// "Открыть папку..." does).
#include "app/gui/error_display.h"
#include "app/gui/mdicont.h"
#include "app/gui/translations.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  pkt::RestartWithLargePages(argv);
  pkt::TApplication app(argc, argv);
  app.setApplicationName(QString::fromUtf8(pkt::kApplicationTitle));
  pkt::InstallQtTranslations(app);
  try {
    pkt::TfmMDICont mainWindow;
    mainWindow.show();
    // Qt has taken its own options out of the arguments; the rest are logs.
    mainWindow.OpenPathsLater(QCoreApplication::arguments().mid(1));
    return app.exec();
  } catch (...) {
    // An error that escapes the start-up or the message loop is shown, then the program ends.
    pkt::TErrorDisplay::Show(std::current_exception());
    return 1;
  }
}
