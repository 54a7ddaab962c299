// pktview: the desktop viewer of the network's packet logs.
#include "app/gui/error_display.h"
#include "app/gui/mdicont.h"

int main(int argc, char** argv) {
  pkt::TApplication app(argc, argv);
  app.setApplicationName(QString::fromUtf8(pkt::kApplicationTitle));
  try {
    pkt::TfmMDICont mainWindow;
    mainWindow.show();
    return app.exec();
  } catch (...) {
    // An error that escapes the start-up or the message loop is shown, then the program ends.
    pkt::TErrorDisplay::Show(std::current_exception());
    return 1;
  }
}
