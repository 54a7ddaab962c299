#include "app/gui/translations.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace pkt {

bool InstallQtTranslations(QCoreApplication& app) {
  // Owned by the application, so that it lives as long as the texts it gives.
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace pkt
