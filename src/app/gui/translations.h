#pragma once
// The program speaks Russian, and so must the dialogs that Qt itself builds:
// the file dialog ("Папка", "Отмена"), input boxes and message boxes.
#include <QCoreApplication>

namespace pkt {

// Installs Qt's own Russian translation (qtbase_ru from Qt's translations
// folder) into the application. False when it cannot be found: Qt's dialogs
// then keep their English texts and nothing else changes.
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace pkt
