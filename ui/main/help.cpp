// The manual's lookup and the serial-device access hint.
#include "ui/main/help.h"

#include "comm/port/port.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#ifdef _WIN32
#include <windows.h>
// <windows.h> first: the shell's header needs its types.
#include <shellapi.h>
#endif

namespace ui {

QStringList ManualFolders(const QString& currentDir, const QString& programDir) {
    QStringList folders{QDir::cleanPath(currentDir), QDir::cleanPath(programDir)};
#ifndef _WIN32
    folders.append(QDir::cleanPath(programDir + QStringLiteral("/../share/doc/vels5")));
#endif
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

QString NoViewerText(const QString& path) {
    return QStringLiteral("Не удалось открыть %1: не найдена программа для просмотра PDF.")
        .arg(path);
}

void OpenDocument(QObject* owner, const QString& opener, const QString& path,
                  std::function<void()> failed) {
    if (opener.isEmpty()) {
#ifdef _WIN32
        // The default action of the document's type, as Explorer's double click; 32 or less
        // is an error (no program associated, file not found, ...).
        const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
        const auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(nullptr, nullptr, file.c_str(), nullptr, nullptr, SW_SHOWDEFAULT));
        if (result <= 32)
            failed();
#else
        failed();
#endif
        return;
    }
    auto* process = new QProcess(owner);
    process->setObjectName(QStringLiteral("documentOpener"));
    process->setProgram(opener);
    process->setArguments({path});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A program that started ends with finished(); one that could not start only reports the
    // error.
    QObject::connect(process, &QProcess::finished, process,
                     [process, failed](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0)
                             failed();
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, failed](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         failed();
                         process->deleteLater();
                     });
    process->start();
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
