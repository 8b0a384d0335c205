// The journal in the windows: recovery offered once at start and only for unfinished journals,
// the clean-up at start, the rows journalled from a real serial line, the save note, and the
// "Журналы…" dialog (list, open under the load rule, delete after asking).
#include "app_rig.h"
#include "core/files/atomic_file.h"
#include "core/journal/journal.h"
#include "core/journal/journal_store.h"
#include "core/link/link_protocol.h"
#include "core/table/table_row.h"
#include "pty_device.h"
#include "test_main.h"
#include "tests/common/status_frame.h"
#include "ui/table/form_journals.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

using core::PromptAnswer;
using test::AppRig;
using test::ConfigHome;
using test::Prompt;

namespace {

const double kNow = core::EncodeDateTime({2026, 1, 1, 12, 0, 0, 0}); // the rig's clock

// A journal of `records` one-second records started at `start`, with `marks` and the
// journal's state lines `journal` beside it when given.
QString MakeJournal(const ConfigHome& home, double start, int records,
                    const core::TestMarks* marks = nullptr,
                    const core::JournalMarks* journal = nullptr) {
    const std::string dir = home.JournalDir().toStdString();
    core::MakeFolders(dir);
    core::RecordLog log;
    double now = start - 1.0 / 86400;
    log.Accumulate(core::SteadyAt(now), 4.5f, 0);
    for (int i = 0; i < records; ++i) {
        now += 1.0 / 86400;
        log.Accumulate(core::SteadyAt(now), 4.5f, 0.05 * i);
        log.Tick(core::SteadyAt(now), 1, false);
    }
    const std::string path = dir + "/" + core::JournalFileName(start);
    core::WriteFileAtomically(path, core::FormatLogFile(log, ";", false));
    if (marks || journal)
        core::WriteFileAtomically(core::MarksPathFor(path),
                                  core::FormatMarksFile(marks ? *marks : core::TestMarks{},
                                                        journal ? *journal : core::JournalMarks{}));
    return QString::fromStdString(path);
}

// The marks beside a journal: the test's and the journal's own; none when it has none.
struct MarksRead {
    core::TestMarks marks;
    core::JournalMarks journal;
};
MarksRead ReadMarks(const QString& journal) {
    const core::MarksBeside beside = core::LoadMarksBeside(journal.toStdString());
    if (beside.status != core::MarksBeside::Status::Loaded)
        return {};
    return {*beside.load.marks, beside.load.journal};
}

} // namespace

class TstJournal : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ConfigHome> m_home;
    std::unique_ptr<AppRig> m_rig;

    // The windows shown, each recovery question answered No.
    void Start(int noAnswers = 0) {
        m_rig = std::make_unique<AppRig>(*m_home);
        for (int i = 0; i < noAnswers; ++i)
            m_rig->prompts.answers.push_back(PromptAnswer::No);
        m_rig->form1->show();
    }
    // A work frame through the pseudo-terminal, taken by the session.
    void Feed(test::PtyDevice& pty) {
        test::FeedFrames(*m_rig->form1, pty, test::StatusFrame(core::mode_bit::kWork, 4.5f, 0.25f));
    }
    QStringList Questions() const {
        QStringList texts;
        for (const Prompt& p : m_rig->prompts.asked)
            if (p.kind == Prompt::Question)
                texts << test::Q(p.text);
        return texts;
    }

private slots:
    void init() { m_home = std::make_unique<ConfigHome>(); }
    void cleanup() {
        m_rig.reset();
        m_home.reset();
    }

    void recoveryIsOfferedOnceAndOnlyForUnfinishedJournals() {
        core::JournalMarks closed;
        closed.closed = true;
        MakeJournal(*m_home, kNow - 3, 4, nullptr, &closed);
        core::JournalMarks offered;
        offered.offered = true;
        MakeJournal(*m_home, kNow - 2, 4, nullptr, &offered);
        const QString older = MakeJournal(*m_home, kNow - 1.5, 2);
        core::TestMarks fire;
        fire.fireId = 2;
        fire.fireStartT = 1;
        const QString newest = MakeJournal(*m_home, kNow - 1, 5, &fire);

        m_rig = std::make_unique<AppRig>(*m_home);
        m_rig->prompts.answers.push_back(PromptAnswer::No);
        m_rig->prompts.answers.push_back(PromptAnswer::Yes);
        m_rig->form1->show();
        QCOMPARE(Questions(),
                 (QStringList{QStringLiteral("Найден журнал незавершённого испытания от "
                                             "31.12.2025 12:00:00 (5 записей). Открыть?"),
                              QStringLiteral("Найден журнал незавершённого испытания от "
                                             "31.12.2025 00:00:00 (2 записи). Открыть?")}));
        // "No" kept the newest on disk; "Yes" loaded the older one, as a table file loads.
        QVERIFY(QFile::exists(newest));
        QCOMPARE(m_rig->form1->Session().Log().Count(), 2);
        QVERIFY(m_rig->tabl->isVisible());
        QCOMPARE(m_rig->tabl->ListBox1->count(), 2);
        QVERIFY(ReadMarks(newest).journal.offered);
        QCOMPARE(ReadMarks(newest).marks.fireId, 2);
        QVERIFY(ReadMarks(older).journal.offered);
        QVERIFY2(!ReadMarks(older).journal.closed, "an offered journal is not closed");

        // The next start offers nothing: each was offered once.
        m_rig.reset();
        Start();
        QCOMPARE(Questions(), QStringList{});
        QCOMPARE(core::ListJournals(m_home->JournalDir().toStdString()).size(), std::size_t{4});
    }

    void aRecoveredJournalBringsItsMarks() {
        core::TestMarks fire;
        fire.fireId = 2;
        fire.fireStartT = 1;
        fire.detectors = {{"И1", 3.0, 0.15f}};
        MakeJournal(*m_home, kNow - 1, 5, &fire);
        m_rig = std::make_unique<AppRig>(*m_home);
        m_rig->prompts.answers.push_back(PromptAnswer::Yes);
        m_rig->form1->show();
        const core::TestMarks& marks = m_rig->form1->Session().Test().Marks();
        QCOMPARE(marks.fireId, 2);
        QCOMPARE(marks.detectors.size(), std::size_t{1});
        QVERIFY2(marks == fire, "the journal's state stays with the journal");
        QCOMPARE(m_rig->form1->Session().Log().Count(), 5);
    }

    void aDamagedJournalIsOfferedAndOpensWithEveryLineThatReads() {
        const QString path = MakeJournal(*m_home, kNow - 1, 200);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(4096)); // one 4 KB block zeroed, as a power cut leaves it
        QCOMPARE(file.write(QByteArray(4096, '\0')), qint64{4096});
        file.close();
        const core::JournalEntry entry = core::ReadJournal(path.toStdString());
        QVERIFY(entry.records > 100 && entry.records < 200);
        QCOMPARE(entry.skippedLines, 2);

        m_rig = std::make_unique<AppRig>(*m_home);
        m_rig->prompts.answers.push_back(PromptAnswer::Yes);
        m_rig->form1->show();
        const QStringList questions = Questions();
        QCOMPARE(questions.size(), 1);
        QVERIFY2(questions[0].startsWith(QStringLiteral("Найден журнал незавершённого испытания от "
                                                        "31.12.2025 12:00:00 (%1 ")
                                             .arg(entry.records)),
                 qPrintable(questions[0]));
        QVERIFY2(questions[0].endsWith(QStringLiteral("; пропущено строк: 2). Открыть?")),
                 qPrintable(questions[0]));
        QCOMPARE(m_rig->form1->Session().Log().Count(), entry.records);
        QCOMPARE(m_rig->tabl->ListBox1->count(), entry.records);

        ui::TFormJournals dialog(m_rig->prompts, *m_rig->tabl, m_rig->form1->Session(),
                                 m_rig->tabl.get());
        QCOMPARE(dialog.sgJournals->rowCount(), 1);
        QCOMPARE(dialog.sgJournals->item(0, 2)->text(), QString::number(entry.records));
        QCOMPARE(dialog.sgJournals->item(0, 5)->text(),
                 QStringLiteral("не завершён, пропущено строк: 2"));
        QVERIFY(dialog.bbOpen->isEnabled());
    }

    void oldSavedJournalsAreCleanedUpAtStart() {
        core::JournalMarks saved;
        saved.closed = true;
        const QString savedFile = m_home->dir.path() + QStringLiteral("/t1.txt");
        saved.savedTo = savedFile.toStdString();
        core::JournalMarks unsaved;
        unsaved.closed = true;
        const QString gone = MakeJournal(*m_home, kNow - 120, 2, nullptr, &saved);
        QVERIFY(QFile::copy(gone, savedFile)); // the saved copy of the same records
        const QString kept = MakeJournal(*m_home, kNow - 121, 2, nullptr, &unsaved);
        const QString young = MakeJournal(*m_home, kNow - 30, 2, nullptr, &saved);
        Start();
        QVERIFY(!QFile::exists(gone));
        QVERIFY(!QFile::exists(gone + QStringLiteral(".test.txt")));
        QVERIFY(QFile::exists(kept));
        QVERIFY(QFile::exists(young));
        QCOMPARE(Questions(), QStringList{});
    }

    void journalsDialogListsOpensAndDeletes() {
        core::TestMarks fire;
        fire.fireId = 2;
        const QString a = MakeJournal(*m_home, kNow - 2, 3, &fire);
        const QString b = MakeJournal(*m_home, kNow - 1, 61);
        Start(2);
        ui::TFormTabl& tabl = *m_rig->tabl;
        QCOMPARE(tabl.miJournals->text(), QStringLiteral("Журналы…"));
        tabl.show();
        ui::TFormJournals dialog(m_rig->prompts, tabl, m_rig->form1->Session(), &tabl);
        dialog.show();
        QCOMPARE(dialog.sgJournals->rowCount(), 2);
        QCOMPARE(dialog.sgJournals->item(0, 0)->text(), QStringLiteral("31.12.2025 12:00:00"));
        QCOMPARE(dialog.sgJournals->item(0, 1)->text(), QStringLiteral("00:01:00"));
        QCOMPARE(dialog.sgJournals->item(0, 2)->text(), QStringLiteral("61"));
        QCOMPARE(dialog.sgJournals->item(1, 3)->text(), QStringLiteral("ТП2"));
        QVERIFY(dialog.sgJournals->item(1, 4)->text().startsWith(QStringLiteral("ТП2")));
        QCOMPARE(dialog.sgJournals->item(1, 5)->text(), QStringLiteral("не завершён"));

        // The load rule: while a port is open nothing is opened.
        tabl.SetLoadEnabled(false);
        dialog.Refresh();
        QVERIFY(!dialog.bbOpen->isEnabled());
        dialog.bbOpenClick();
        QCOMPARE(m_rig->form1->Session().Log().Count(), 0);
        tabl.SetLoadEnabled(true);
        dialog.Refresh();
        QVERIFY(dialog.bbOpen->isEnabled());
        dialog.sgJournals->setCurrentCell(1, 0);
        QTest::mouseClick(dialog.bbOpen, Qt::LeftButton);
        QCOMPARE(m_rig->form1->Session().Log().Count(), 3);
        QCOMPARE(tabl.ListBox1->count(), 3);
        QCOMPARE(m_rig->form1->Session().Test().Marks().fireId, 2);
        QVERIFY2(!dialog.isVisible(), "an opened journal closes the dialog");

        // Delete asks first; "No" keeps the journal.
        dialog.show();
        dialog.sgJournals->setCurrentCell(0, 0);
        m_rig->prompts.answers.push_back(PromptAnswer::No);
        QTest::mouseClick(dialog.bbDelete, Qt::LeftButton);
        QVERIFY(QFile::exists(b));
        QCOMPARE(test::Q(m_rig->prompts.asked.back().text),
                 QStringLiteral("Удалить журнал испытания от 31.12.2025 12:00:00 "
                                "(2025-12-31_12-00-00.txt)?"));
        m_rig->prompts.answers.push_back(PromptAnswer::Yes);
        QTest::mouseClick(dialog.bbDelete, Qt::LeftButton);
        QVERIFY(!QFile::exists(b));
        QVERIFY(QFile::exists(a));
        QCOMPARE(dialog.sgJournals->rowCount(), 1);
    }

    void theLiveJournalFollowsTheLogFromTheSerialLine() {
        test::PtyDevice pty;
        QVERIFY(pty.Ok());
        QVERIFY(m_home->Map().RegisterAs(pty.SlavePath(), 12));
        Start();
        ui::TForm1& f = *m_rig->form1;
        f.PortItem(12)->trigger();
        QCOMPARE(f.StatusPanel0->text(), QStringLiteral("COM12"));
        for (int i = 0; i < 3; ++i) {
            Feed(pty);
            m_rig->clock.AdvanceMs(1000);
            f.Timer1Timer();
        }
        const core::RecordLog& log = f.Session().Log();
        QCOMPARE(log.Count(), 3);
        const QString live = QString::fromStdString(f.Session().JournalPath());
        QCOMPARE(QFileInfo(live).absolutePath(), m_home->JournalDir());
        QFile file(live);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().toStdString() == core::FormatLogFile(log, ";", false));

        // In the dialog: neither opened (a port is open) nor deleted (being written).
        m_rig->tabl->show();
        ui::TFormJournals dialog(m_rig->prompts, *m_rig->tabl, f.Session(), m_rig->tabl.get());
        QCOMPARE(dialog.sgJournals->rowCount(), 1);
        QVERIFY(!dialog.bbOpen->isEnabled());
        QVERIFY(!dialog.bbDelete->isEnabled());
        dialog.bbDeleteClick();
        QVERIFY(QFile::exists(live));

        // Saved by the user with every row: the journal notes it.
        for (int i = 0; i < log.Count(); ++i)
            m_rig->tabl->AddRecordRow(i);
        const QString saved = m_home->dir.path() + QStringLiteral("/t1.txt");
        m_rig->prompts.fileNames.push_back(test::ToUtf8(saved));
        m_rig->tabl->bbSaveAs->click();
        QVERIFY(QFile::exists(saved));
        QVERIFY(ReadMarks(live).journal.savedTo == saved.toStdString());
        QVERIFY(!ReadMarks(live).journal.closed);

        // Closing the program ends the log normally.
        m_rig->prompts.answers.push_back(PromptAnswer::No); // "Сохранить данные?"
        QVERIFY(f.close());
        QVERIFY(ReadMarks(live).journal.closed);
        QVERIFY(ReadMarks(live).journal.savedTo == saved.toStdString());
    }

    void aStartPortIsOpenBeforeTheJournalsAreOffered() {
        // vels5 --port COM12: the port opens at the first showing, so the unfinished journal
        // is not offered (a load would be emptied by the port's reset) and stays unoffered.
        const QString unfinished = MakeJournal(*m_home, kNow - 1, 4);
        test::PtyDevice pty;
        QVERIFY(pty.Ok());
        QVERIFY(m_home->Map().RegisterAs(pty.SlavePath(), 12));
        m_rig = std::make_unique<AppRig>(*m_home);
        m_rig->form1->SetStartPort(12);
        m_rig->form1->show();
        QCOMPARE(m_rig->form1->StatusPanel0->text(), QStringLiteral("COM12"));
        QCOMPARE(Questions(), QStringList{});
        QVERIFY(!ReadMarks(unfinished).journal.offered);
        // Without the port (it is closed now) the next start offers it.
        m_rig.reset();
        Start();
        QCOMPARE(Questions().size(), 1);
    }

    void aSecondCopyIsToldAboutTheFirstAndLeavesItsJournalAlone() {
        // The first copy records from COM12 into its journal.
        test::PtyDevice pty;
        QVERIFY(pty.Ok());
        QVERIFY(m_home->Map().RegisterAs(pty.SlavePath(), 12));
        Start();
        ui::TForm1& first = *m_rig->form1;
        first.PortItem(12)->trigger();
        for (int i = 0; i < 3; ++i) {
            Feed(pty);
            m_rig->clock.AdvanceMs(1000);
            first.Timer1Timer();
        }
        const QString live = QString::fromStdString(first.Session().JournalPath());
        QVERIFY(!live.isEmpty());
        const QString notice = QStringLiteral("Программа уже запущена (порт COM12, журнал %1). "
                                              "Запустить ещё одну копию?")
                                   .arg(live);

        // A second copy in the same folders (two windows in one process hold two locks, as two
        // processes would): "Нет" quits it before it reads or writes anything.
        {
            AppRig second(*m_home);
            second.prompts.answers.push_back(PromptAnswer::No);
            QSignalSpy closed(second.form1.get(), &ui::TForm1::Closed);
            second.form1->show();
            QCOMPARE(test::Q(second.prompts.Texts()), QStringList{notice});
            QVERIFY(second.form1->QuitAtStart());
            QTRY_COMPARE(closed.count(), 1);
            QVERIFY(!second.form1->isVisible());
        }
        // "Да": it goes on, and the journal being written is neither offered nor marked.
        {
            AppRig second(*m_home);
            second.prompts.answers.push_back(PromptAnswer::Yes);
            second.form1->show();
            QCOMPARE(test::Q(second.prompts.Texts()), QStringList{notice});
            QVERIFY(!ReadMarks(live).journal.offered);
            second.tabl->show();
            ui::TFormJournals dialog(second.prompts, *second.tabl, second.form1->Session(),
                                     second.tabl.get());
            QCOMPARE(dialog.sgJournals->rowCount(), 1);
            QCOMPARE(dialog.sgJournals->item(0, 5)->text(), QStringLiteral("записывается"));
            QVERIFY(!dialog.bbDelete->isEnabled());
            second.prompts.answers.push_back(PromptAnswer::Yes);
            dialog.bbDeleteClick();
            QVERIFY(QFile::exists(live));
        }
        // The first copy ended: the next start asks nothing about it.
        m_rig->prompts.answers.push_back(PromptAnswer::No); // "Сохранить данные?"
        QVERIFY(first.close());
        m_rig.reset();
        Start();
        QCOMPARE(Questions(), QStringList{});
    }

    void theMenuOpensTheDialog() {
        MakeJournal(*m_home, kNow - 1, 2);
        Start(1);
        int rows = -1;
        QTimer::singleShot(0, [&rows] {
            auto* dialog = qobject_cast<ui::TFormJournals*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            rows = dialog->sgJournals->rowCount();
            dialog->bbClose->click();
        });
        m_rig->tabl->miJournals->trigger();
        QCOMPARE(rows, 1);
    }
};

VELS5_GUI_TEST_MAIN(TstJournal)
#include "tst_journal.moc"
