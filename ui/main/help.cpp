// The manual's lookup and the serial-device access hint.
#include "ui/main/help.h"

#include "comm/port/port.h"

#include <QDir>
#include <QFileInfo>

namespace ui {

QStringList ManualFolders(const QString& currentDir, const QString& programDir) {
    const QString installed = QDir::cleanPath(programDir + QStringLiteral("/../share/doc/vels5"));
    QStringList folders{QDir::cleanPath(currentDir), QDir::cleanPath(programDir), installed};
    folders.removeDuplicates();
    return folders;
}

QString FindManual(const QStringList& folders) {
    for (const QString& folder : folders) {
        const QFileInfo file(QDir(folder).filePath(QString::fromLatin1(kManualName)));
        if (file.isFile() && file.isReadable())
            return file.absoluteFilePath();
    }
    return {};
}

QString ManualMissingText(const QStringList& folders) {
    return QStringLiteral("Руководство пользователя %1 не найдено. Оно ищется в папках:\n%2")
        .arg(QString::fromLatin1(kManualName), folders.join(QLatin1Char('\n')));
}

QString AccessHint(const std::string& devicePath, const QString& userName) {
    const std::string group = comm::port::OwningGroup(devicePath);
    const QString groupName =
        group.empty() ? QStringLiteral("dialout") : QString::fromStdString(group);
    const QString user = userName.isEmpty() ? QStringLiteral("$USER") : userName;
    return QStringLiteral("Нет прав на открытие порта: добавьте пользователя в группу «%1» "
                          "(sudo usermod -aG %1 %2) и войдите в систему заново.")
        .arg(groupName, user);
}

} // namespace ui
