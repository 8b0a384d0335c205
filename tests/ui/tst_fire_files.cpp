// The fire test's marks travel with the data: "Сохранить таблицу" and "Сохранить как" write
// "<file>.test.txt" beside the table file, which stays as it was; "Загрузить таблицу" reads
// them back into the test, or starts a new test without them.
#include "app_rig.h"
#include "core/common/cp1251.h"
#include "core/fire/fire_marks.h"
#include "test_main.h"

#include <QFile>
#include <QListWidget>
#include <QToolButton>

using test::ReadBytes;
using test::WriteBytes;

class TstTestFiles : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FilesRig> m_rig;

    ui::TFormTabl& Tabl() { return *m_rig->tabl; }
    test::FakePrompts& Prompts() { return m_rig->prompts; }
    core::MeasurementSession& Session() { return m_rig->form1->Session(); }
    QString Path(const char* name) const { return m_rig->Path(name); }

    // A log of 60 records, m rising 0,01 dB/m a second, listed in the table window, with a
    // ТП1 test started at 5 s and two detectors, one alarmed.
    void LogWithATest() {
        core::RecordLog& log = Session().Log();
        for (int i = 0; i < 60; ++i) {
            core::MeasurementRecord r;
            r.T = static_cast<std::uint16_t>(i);
            r.Ui = 4.9f;
            r.m = 0.01f * static_cast<float>(i);
            r.Time = (12 * 3600.0 + i) / 86400.0;
            log[i] = r;
        }
        log.SetCount(60);
        core::FireTest& test = Session().Test();
        test.SetFire(1);
        test.AddDetector("И1");
        test.AddDetector("Дым 2");
        test.StartFire(5);
        test.MarkAlarm(1, 20.5, 0.2f);
        Session().UpdateTest();
        Tabl().show();
        Tabl().mAllRec->trigger();
    }
    QStringList Rows() const {
        QStringList rows;
        for (int i = 0; i < m_rig->tabl->ListBox1->count(); ++i)
            rows << m_rig->tabl->ListBox1->item(i)->text();
        return rows;
    }

private slots:
    void init() {
        m_rig = std::make_unique<test::FilesRig>();
        QVERIFY(m_rig->dir.isValid());
    }
    void cleanup() { m_rig.reset(); }

    void savedBesideTheTableAndLoadedBack() {
        LogWithATest();
        const core::TestMarks saved = Session().Test().Marks();
        const QStringList rows = Rows();
        Prompts().fileNames.push_back(test::ToUtf8(Path("fire.txt")));
        QTest::mouseClick(Tabl().bbSaveAs, Qt::LeftButton);
        QCOMPARE(ReadBytes(Path("fire.txt.test.txt")),
                 QByteArray::fromStdString(core::FormatMarksFile(saved)));
        // The table file itself is the rows and nothing else.
        std::string table;
        for (const QString& row : rows)
            table += row.toStdString() + "\r\n";
        QCOMPARE(ReadBytes(Path("fire.txt")), QByteArray::fromStdString(core::Utf8ToCp1251(table)));

        // A new test, then the file loaded again: the marks are back, the verdict with them.
        Session().LogLoaded(nullptr);
        QVERIFY(!Session().Test().Marks().fireStartT);
        int loaded = 0;
        connect(&Tabl(), &ui::TFormTabl::LogLoaded, [&] { ++loaded; });
        Prompts().fileNames.push_back(test::ToUtf8(Path("fire.txt")));
        QTest::mouseClick(Tabl().bbLoadTab, Qt::LeftButton);
        QCOMPARE(loaded, 1);
        QCOMPARE(Session().Test().Marks(), saved);
        QVERIFY(Session().Test().Verdict());
        QCOMPARE(Session().Test().VerdictLine(),
                 std::string("ТП1: выше границы с 1 по 54 с (макс. 0,590 дБ/м)"));
        QCOMPARE(std::ssize(Prompts().asked), 2); // the two file dialogs only
    }

    void saveOverAnEarlierTableReplacesItsMarks() {
        LogWithATest();
        Prompts().fileNames.push_back(test::ToUtf8(Path("fire.txt")));
        QTest::mouseClick(Tabl().bbSaveAs, Qt::LeftButton);
        // A new log with an empty test, saved under the same name: no stale marks remain.
        Session().Test().Load(core::TestMarks{});
        Tabl().bbSaveTabClick();
        QVERIFY(QFile::exists(Path("fire.txt")));
        QVERIFY(!QFile::exists(Path("fire.txt.test.txt")));
        Prompts().fileNames.push_back(test::ToUtf8(Path("fire.txt")));
        Tabl().bbLoadTabClick();
        QCOMPARE(Session().Test().Marks(), core::TestMarks{});
    }

    void aTableWithoutMarksStartsANewTest() {
        LogWithATest();
        WriteBytes(Path("plain.txt"),
                   core::Utf8ToCp1251("12:00:00;    0;   4,985;    4,900;    0,010\r\n"));
        Prompts().fileNames.push_back(test::ToUtf8(Path("plain.txt")));
        Tabl().bbLoadTabClick();
        QCOMPARE(Session().Log().Count(), 1);
        QVERIFY(!Session().Test().Marks().fireStartT);
        QVERIFY(!Session().Test().Marks().detectors[1].alarmT);
        QCOMPARE(Session().Test().Marks().fireId, 1); // the fire and names stay for the next
        QCOMPARE(std::ssize(Prompts().asked), 1);
    }

    void damagedMarksAreToldAndTheLogLoadsWithoutThem() {
        LogWithATest();
        WriteBytes(Path("t.txt"), core::Utf8ToCp1251("12:00:00;    0;   4,985;    4,900;    "
                                                     "0,010\r\n12:00:01;    1;   4,985;    "
                                                     "4,900;    0,020\r\n"));
        WriteBytes(Path("t.txt.test.txt"), core::Utf8ToCp1251("ВЕЛС-5 испытание\r\nПожар=ТП7\r\n"));
        Prompts().fileNames.push_back(test::ToUtf8(Path("t.txt")));
        Tabl().bbLoadTabClick();
        QCOMPARE(Session().Log().Count(), 2);
        QCOMPARE(Prompts().asked.back().kind, test::Prompt::Information);
        QCOMPARE(test::Q(Prompts().asked.back().text), QStringLiteral("Файл испытания повреждён"));
        QVERIFY(!Session().Test().Marks().fireStartT);
    }

    void aFailedMarksWriteIsToldAndKeepsTheEarlierMarks() {
        LogWithATest();
        // A folder in the marks file's place: it cannot be replaced, whoever runs the test.
        QVERIFY(QDir(m_rig->dir.path()).mkdir(QStringLiteral("fire.txt.test.txt")));
        Prompts().fileNames.push_back(test::ToUtf8(Path("fire.txt")));
        QTest::mouseClick(Tabl().bbSaveAs, Qt::LeftButton);
        QVERIFY(QFile::exists(Path("fire.txt")));
        QCOMPARE(Prompts().asked.back().kind, test::Prompt::Error);
        QVERIFY(test::Q(Prompts().asked.back().text)
                    .startsWith(QStringLiteral("Cannot create file ") + Path("fire.txt.test.txt")));
        QVERIFY(QFileInfo(Path("fire.txt.test.txt")).isDir());
    }
};

VELS5_GUI_TEST_MAIN(TstTestFiles)
#include "tst_fire_files.moc"
