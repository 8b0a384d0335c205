// Loading Qt's Russian translations.
#include "ui/common/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {

bool InstallQtTranslations(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    // Qt's own folder, then "translations" beside the program (where the Windows installer
    // puts them: Qt's DLLs sit beside the program there, so Qt's folder is not theirs).
    const QStringList folders{QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                              QCoreApplication::applicationDirPath() +
                                  QStringLiteral("/translations")};
    for (const QString& folder : folders) {
        if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                             QStringLiteral("_"), folder))
            return QCoreApplication::installTranslator(translator);
    }
    delete translator;
    return false;
}

} // namespace ui
