// main() of every GUI test: the program's application class, offscreen platform, test-mode
// standard paths.
#pragma once

#include "ui/common/application.h"

#include <QStandardPaths>
#include <QTest>

#define VELS5_GUI_TEST_MAIN(TestClass)                                                             \
    int main(int argc, char** argv) {                                                              \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                   \
        QStandardPaths::setTestModeEnabled(true);                                                  \
        ui::Application app(argc, argv);                                                           \
        app.setApplicationName(QStringLiteral("Monitor VELS5"));                                   \
        TestClass tc;                                                                              \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
