// "Справка" finds the user manual where it is installed, and a serial device the user may not
// open is reported with how to get access.
#include "app_rig.h"
#include "comm/port/port.h"
#include "test_main.h"
#include "ui/main/help.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <sys/fsuid.h>
#include <unistd.h>

using test::AppRig;
using test::ConfigHome;
using test::Prompt;

// A stand-in for the desktop's opener: a shell script that notes its arguments in a file and
// ends with the given status, as "xdg-open" does (3: no program for the document's type).
class Opener {
public:
    explicit Opener(int status) {
        QFile script(Path());
        script.open(QIODevice::WriteOnly);
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '%1'\nexit %2\n")
                         .arg(Log())
                         .arg(status)
                         .toLocal8Bit());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString Path() const { return m_dir.filePath(QStringLiteral("opener")); }
    QString Log() const { return m_dir.filePath(QStringLiteral("opened")); }
    QStringList Opened() const {
        QFile log(Log());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_dir;
};

// "Справка" has run its course once the opener's process is gone.
bool OpenerDone(const ui::TForm1& f) {
    return !f.findChild<QProcess*>(QStringLiteral("documentOpener"));
}

// Runs in a fresh current folder and restores the previous one.
class CurrentFolder {
public:
    CurrentFolder() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~CurrentFolder() { QDir::setCurrent(m_previous); }
    QString Path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.4\n");
}

class TstHelpAccess : public QObject {
    Q_OBJECT

private slots:
    void manualFoldersAreCurrentProgramAndDocumentation() {
        QCOMPARE(
            ui::ManualFolders(QStringLiteral("/home/lab/tests/"), QStringLiteral("/opt/vels5/bin")),
            (QStringList{QStringLiteral("/home/lab/tests"), QStringLiteral("/opt/vels5/bin"),
                         QStringLiteral("/opt/vels5/share/doc/vels5")}));
        // Started from its own folder, that folder is searched once.
        QCOMPARE(ui::ManualFolders(QStringLiteral("/usr/bin"), QStringLiteral("/usr/bin")),
                 (QStringList{QStringLiteral("/usr/bin"), QStringLiteral("/usr/share/doc/vels5")}));
    }

    void theFirstFolderHoldingTheManualWins() {
        QTemporaryDir root;
        const QString current = root.filePath(QStringLiteral("current"));
        const QString program = root.filePath(QStringLiteral("prefix/bin"));
        const QStringList folders = ui::ManualFolders(current, program);
        QDir().mkpath(current);
        QCOMPARE(ui::FindManual(folders), QString());
        Touch(root.filePath(QStringLiteral("prefix/share/doc/vels5/VELS5_PO.pdf")));
        QCOMPARE(ui::FindManual(folders),
                 root.filePath(QStringLiteral("prefix/share/doc/vels5/VELS5_PO.pdf")));
        Touch(program + QStringLiteral("/VELS5_PO.pdf"));
        QCOMPARE(ui::FindManual(folders), program + QStringLiteral("/VELS5_PO.pdf"));
        Touch(current + QStringLiteral("/VELS5_PO.pdf"));
        QCOMPARE(ui::FindManual(folders), current + QStringLiteral("/VELS5_PO.pdf"));
        // A folder of that name is not the manual.
        QFile::remove(current + QStringLiteral("/VELS5_PO.pdf"));
        QDir().mkpath(current + QStringLiteral("/VELS5_PO.pdf"));
        QCOMPARE(ui::FindManual(folders), program + QStringLiteral("/VELS5_PO.pdf"));
    }

    void helpOpensTheManualWithTheDesktopViewer() {
        ConfigHome home;
        CurrentFolder current;
        Touch(current.Path() + QStringLiteral("/VELS5_PO.pdf"));
        AppRig rig(home);
        Opener opener(0);
        rig.form1->SetDocumentOpener(opener.Path());
        rig.form1->N24->trigger();
        QTRY_VERIFY(OpenerDone(*rig.form1));
        QCOMPARE(
            opener.Opened(),
            QStringList{QDir(current.Path()).absoluteFilePath(QStringLiteral("VELS5_PO.pdf"))});
        QVERIFY(rig.prompts.asked.empty());
    }

    void helpWithoutAViewerSaysSo() {
        ConfigHome home;
        CurrentFolder current;
        Touch(current.Path() + QStringLiteral("/VELS5_PO.pdf"));
        const QString manual =
            QDir(current.Path()).absoluteFilePath(QStringLiteral("VELS5_PO.pdf"));
        AppRig rig(home);
        // The desktop's opener finds no program for PDF (or the program fails: 4).
        for (const int status : {3, 4}) {
            rig.prompts.asked.clear();
            Opener opener(status);
            rig.form1->SetDocumentOpener(opener.Path());
            rig.form1->N24->trigger();
            QTRY_COMPARE(std::ssize(rig.prompts.asked), 1);
            QCOMPARE(opener.Opened(), QStringList{manual});
            QCOMPARE(rig.prompts.asked[0].kind, Prompt::Information);
            QCOMPARE(test::Q(rig.prompts.asked[0].text),
                     QStringLiteral("Не удалось открыть %1: не найдена программа для просмотра "
                                    "PDF.")
                         .arg(manual));
            QTRY_VERIFY(OpenerDone(*rig.form1));
        }
        // No opener at all.
        rig.prompts.asked.clear();
        rig.form1->SetDocumentOpener(current.Path() + QStringLiteral("/no-such-opener"));
        rig.form1->N24->trigger();
        QTRY_COMPARE(std::ssize(rig.prompts.asked), 1);
        QVERIFY(
            test::Q(rig.prompts.asked[0].text).startsWith(QStringLiteral("Не удалось открыть")));
        QTRY_VERIFY(OpenerDone(*rig.form1));
    }

    void helpWithoutAManualSaysWhereItLooked() {
        ConfigHome home;
        CurrentFolder current;
        AppRig rig(home);
        Opener opener(0);
        rig.form1->SetDocumentOpener(opener.Path());
        rig.form1->N24->trigger();
        QVERIFY(OpenerDone(*rig.form1));
        QVERIFY(opener.Opened().isEmpty());
        QCOMPARE(std::ssize(rig.prompts.asked), 1);
        const Prompt& told = rig.prompts.asked[0];
        QCOMPARE(told.kind, Prompt::Information);
        QVERIFY(
            test::Q(told.text).startsWith(QStringLiteral("Руководство пользователя VELS5_PO.pdf не "
                                                         "найдено")));
        QVERIFY(test::Q(told.text).contains(QDir::cleanPath(current.Path())));
        QVERIFY(test::Q(told.text).contains(QCoreApplication::applicationDirPath()));
    }

    void aDeviceTheUserMayNotOpenIsExplained() {
        ConfigHome home;
        // The folders on the way stay searchable for the unprivileged check below.
        QFile::setPermissions(home.dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ExeGroup |
                                                   QFile::ExeOther);
        const std::string device = home.Device(QStringLiteral("ttyUSB0"));
        QVERIFY(QFile::setPermissions(QString::fromStdString(device), QFile::Permissions()));
        QVERIFY(home.Map().RegisterAs(device, 4));
        AppRig rig(home);
        // Root opens anything; checked as another user, the kernel refuses as it would a lab
        // engineer outside the device's group.
        const bool root = ::geteuid() == 0;
        if (root)
            ::setfsuid(65534);
        rig.form1->TxClick(4);
        if (root)
            ::setfsuid(0);
        QCOMPARE(std::ssize(rig.prompts.asked), 1);
        const Prompt& told = rig.prompts.asked[0];
        QCOMPARE(told.kind, Prompt::Error);
        QCOMPARE(test::Q(told.caption), QStringLiteral("Error"));
        const QStringList lines = test::Q(told.text).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QStringLiteral("Can't open specified device COM4 (Error 13, Permission "
                                          "denied)"));
        const QString group = QString::fromStdString(comm::port::OwningGroup(device));
        QVERIFY(!group.isEmpty());
        QVERIFY2(lines[1].contains(QStringLiteral("«%1»").arg(group)), qPrintable(lines[1]));
        QVERIFY(lines[1].contains(QStringLiteral("sudo usermod -aG %1").arg(group)));
        QVERIFY(lines[1].contains(QStringLiteral("войдите в систему заново")));
        QVERIFY(!rig.form1->Comm().Active());
    }

    void aMissingDeviceGetsNoAccessHint() {
        ConfigHome home;
        QVERIFY(home.Map().RegisterAs(home.dir.path().toStdString() + "/gone", 5));
        AppRig rig(home);
        rig.form1->TxClick(5);
        QCOMPARE(std::ssize(rig.prompts.asked), 1);
        QCOMPARE(test::Q(rig.prompts.asked[0].text),
                 QStringLiteral("Specified device not found (COM5)."));
    }
};

VELS5_GUI_TEST_MAIN(TstHelpAccess)
#include "tst_help_access.moc"
