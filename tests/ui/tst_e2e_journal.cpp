// The real program against the real simulator, killed with SIGKILL while it records: the
// journal it leaves loads as a table file and holds every record written before the kill, and
// while it ran, another process found its journal locked and the copy noted.
#include "core/files/atomic_file.h"
#include "core/files/file_lock.h"
#include "core/files/table_file.h"
#include "core/journal/journal_store.h"
#include "core/session/running_copies.h"
#include "e2e_meter.h"
#include "test_main.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <csignal>
#include <sys/types.h>

using test::ConfigHome;
using test::MeterProcess;

class TstE2eJournal : public QObject {
    Q_OBJECT

private:
    // Rows (whole lines) of the newest journal, and its path.
    static int NewestRows(const QString& journalDir, QString& path) {
        const QStringList names =
            QDir(journalDir)
                .entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name | QDir::Reversed);
        for (const QString& name : names) {
            if (name.endsWith(QStringLiteral(".test.txt")))
                continue;
            path = journalDir + QLatin1Char('/') + name;
            std::string bytes;
            if (!core::ReadWholeFile(path.toStdString(), bytes))
                return 0;
            return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
        }
        return 0;
    }

private slots:
    void aKilledProgramLeavesAWholeJournal() {
        ConfigHome home;
        MeterProcess meter(home, test::FastMeter());
        const int com = meter.WaitReady();
        QVERIFY2(com > 0, qPrintable(meter.Output()));

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.dir.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.DataHome());
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(VELS5_APP),
                      {QStringLiteral("--port"), QStringLiteral("COM%1").arg(com)});
        QVERIFY(program.waitForStarted(30000));

        // Recording: wait until the journal has a few rows, then kill at once.
        QString path;
        int seen = 0;
        QTRY_VERIFY_WITH_TIMEOUT((seen = NewestRows(home.JournalDir(), path)) >= 4, 60000);

        // This test process stands for a second copy: the live journal is locked, so it is
        // neither offered, marked nor deleted, and the running copy tells its port and journal.
        const std::string live = path.toStdString();
        const std::string journalDir = home.JournalDir().toStdString();
        QVERIFY(core::FileInUse(live));
        QVERIFY(core::JournalsToOffer(core::ListJournals(journalDir)).empty());
        QVERIFY(!core::MarkJournalOffered(live));
        QVERIFY(!core::DeleteJournal(live));
        QVERIFY(QFile::exists(path));
        const std::string running = core::RunningDir(home.DataHome().toStdString());
        const std::vector<core::RunningCopy> copies = core::OtherRunningCopies(running, "");
        QCOMPARE(copies.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(copies[0].port), QStringLiteral("COM%1").arg(com));
        QCOMPARE(QString::fromStdString(copies[0].journal), path);

        ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);

        std::string bytes;
        QVERIFY(core::ReadWholeFile(path.toStdString(), bytes));
        const core::TableFileLoad load = core::ReadTableFile(bytes, ";", false);
        QVERIFY2(load, load.refusal ? load.refusal->message.c_str() : "");
        QVERIFY(static_cast<int>(load.records.size()) >= seen);
        for (std::size_t i = 1; i < load.records.size(); ++i)
            QCOMPARE(static_cast<int>(load.records[i].T), load.records[i - 1].T + 1);

        // The kill let go of the locks: no copy runs, and the journal is an ordinary one.
        QVERIFY(core::OtherRunningCopies(running, "").empty());
        QVERIFY(!core::FileInUse(live));
        // It is unfinished, so the next start offers it.
        const std::vector<core::JournalEntry> offer =
            core::JournalsToOffer(core::ListJournals(home.JournalDir().toStdString()));
        QVERIFY(!offer.empty());
        QCOMPARE(QString::fromStdString(offer.front().path), path);
        QCOMPARE(offer.front().records, static_cast<int>(load.records.size()));
    }
};

VELS5_GUI_TEST_MAIN(TstE2eJournal)
#include "tst_e2e_journal.moc"
