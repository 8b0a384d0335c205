// main() of every GUI test: the program's application class, offscreen platform, test-mode
// standard paths.
#pragma once

#include "ui/common/application.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#define VELS5_GUI_TEST_MAIN(TestClass)                                                             \
    int main(int argc, char** argv) {                                                              \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                   \
        QStandardPaths::setTestModeEnabled(true);                                                  \
        ui::Application app(argc, argv);                                                           \
        app.setApplicationName(QStringLiteral("Monitor VELS5"));                                   \
        TestClass tc;                                                                              \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

namespace test {

/// A recorded UTF-8 text (a prompt's text or caption, a core string) as a QString, to compare
/// with the windows' Qt texts.
inline QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}
inline std::string ToUtf8(const QString& text) {
    return text.toStdString();
}
inline QStringList Q(const std::vector<std::string>& utf8) {
    QStringList texts;
    for (const std::string& text : utf8)
        texts << QString::fromStdString(text);
    return texts;
}

/// Gives the offscreen platform one screen of width x height pixels and windows without frames;
/// the screens' file goes into `folder`.
inline bool UseOneScreen(const QTemporaryDir& folder, int width, int height) {
    const QString config = folder.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(
        QStringLiteral("{\"windowFrameMargins\": false, \"screens\": [{\"name\": \"screen\", "
                       "\"x\": 0, \"y\": 0, \"width\": %1, \"height\": %2, \"logicalDpi\": 96, "
                       "\"logicalBaseDpi\": 96, \"dpr\": 1}]}")
            .arg(width)
            .arg(height)
            .toLatin1());
    file.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    return true;
}

} // namespace test

// The same on one screen of width x height pixels, for the tests whose windows must lie wholly
// on the screen where they are placed.
#define VELS5_GUI_TEST_MAIN_ON_SCREEN(TestClass, width, height)                                    \
    int main(int argc, char** argv) {                                                              \
        QTemporaryDir dir;                                                                         \
        if (!test::UseOneScreen(dir, width, height))                                               \
            return 1;                                                                              \
        QStandardPaths::setTestModeEnabled(true);                                                  \
        ui::Application app(argc, argv);                                                           \
        app.setApplicationName(QStringLiteral("Monitor VELS5"));                                   \
        TestClass tc;                                                                              \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
