// Qt's own Russian translations, so standard buttons ("Да", "Нет", "Отмена") and the file and
// colour dialogs read Russian like the rest of the program.
#pragma once

class QCoreApplication;

namespace ui {

/// Installs Qt's Russian translations (from Qt's translations folder; Debian ships them in
/// qt6-translations-l10n; the Windows installer puts them in "translations" beside the
/// program) into `app`. False when they are missing: the standard texts then
/// stay English.
bool InstallQtTranslations(QCoreApplication& app);

} // namespace ui
