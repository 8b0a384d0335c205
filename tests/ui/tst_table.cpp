// The table window's files and editing, driven by clicks with scripted prompts: saving and
// loading the table file, erasing, "Все записи", showing, and the template file from the
// table window into the graph window.
#include "app_rig.h"
#include "core/common/cp1251.h"
#include "core/common/date_time.h"
#include "core/common/format.h"
#include "test_main.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>

using test::ReadBytes;
using test::WriteBytes;

namespace {

// UTF-8 lines as a Windows-1251 file with CR LF.
std::string FileOf(const QStringList& lines) {
    std::string text;
    for (const QString& line : lines)
        text += line.toStdString() + "\r\n";
    return core::Utf8ToCp1251(text);
}

QStringList Rows(const QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

void ClickRow(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualItemRect(list->item(row)).center());
}

const QString kPartialSave = QStringLiteral("В таблице не все записи журнала. Заменить файл?\n");
const QString kRecordsGone =
    QStringLiteral("Выделены строки, записей которых больше нет в журнале");

} // namespace

class TstTable : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FilesRig> m_rig;

    ui::TFormTabl& Tabl() { return *m_rig->tabl; }
    test::FakePrompts& Prompts() { return m_rig->prompts; }
    core::RecordLog& Log() { return m_rig->form1->Session().Log(); }
    QString Path(const char* name) const { return m_rig->Path(name); }

    void AddRecord(int t, float ui, float m) {
        const int i = Log().Count();
        core::MeasurementRecord r;
        r.T = static_cast<std::uint16_t>(t);
        r.Ui = ui;
        r.m = m;
        r.Time = core::EncodeDateTime({2026, 1, 1, 12, 0, t % 60, 0});
        Log()[i] = r;
        Log().SetCount(i + 1);
    }
    // Five records shown through "Все записи".
    void ShowFiveRows() {
        for (int i = 0; i < 5; ++i)
            AddRecord(i, 4.0f + 0.125f * i, 0.25f * i);
        Tabl().show();
        Tabl().mAllRec->trigger();
        QCOMPARE(Tabl().ListBox1->count(), 5);
    }

private slots:
    void init() {
        m_rig = std::make_unique<test::FilesRig>();
        QVERIFY(m_rig->dir.isValid());
    }
    void cleanup() { m_rig.reset(); }

    void saveWithoutANameAsksAndThenReusesIt() {
        ShowFiveRows();
        const QStringList shown = Rows(Tabl().ListBox1);
        Prompts().fileNames.push_back(test::ToUtf8(Path("table.txt")));
        QTest::mouseClick(Tabl().bbSaveTab, Qt::LeftButton);
        QCOMPARE(std::ssize(Prompts().asked), 1);
        const test::Prompt& dialog = Prompts().asked[0];
        QCOMPARE(dialog.kind, test::Prompt::SaveFile);
        QCOMPARE(test::Q(dialog.text), QStringLiteral("Сохранить таблицу"));
        QCOMPARE(test::Q(dialog.file.defaultSuffix), QStringLiteral("txt"));
        QCOMPARE(test::Q(dialog.file.filter), QStringLiteral("TXT (*.txt)|*.txt|all (*.*)|*.*"));
        QVERIFY(test::Q(dialog.file.fileName).isEmpty());
        QCOMPARE(Tabl().TableFileName, Path("table.txt"));
        QCOMPARE(ReadBytes(Path("table.txt")), QByteArray::fromStdString(FileOf(shown)));

        // No dialog the second time.
        Prompts().Clear();
        Tabl().miSave->trigger();
        QVERIFY(Prompts().asked.empty());
        QCOMPARE(ReadBytes(Path("table.txt")), QByteArray::fromStdString(FileOf(shown)));

        // A row erased from the list would leave a record of the log out of its file: asked
        // first; agreed, the erased row is absent from the file.
        ClickRow(Tabl().ListBox1, 0);
        QTest::mouseClick(Tabl().BitBtn2, Qt::LeftButton);
        Prompts().answers.push_back(core::PromptAnswer::Ok);
        Tabl().miSave->trigger();
        QCOMPARE(test::Q(Prompts().Texts()), QStringList({kPartialSave + Path("table.txt")}));
        QCOMPARE(Prompts().asked[0].buttons, core::PromptButtons::OkCancel);
        QCOMPARE(ReadBytes(Path("table.txt")), QByteArray::fromStdString(FileOf(shown.mid(1))));
    }

    void saveTabNeverWritesAnotherLogOverTheFileOfTheFirst_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("a table file loaded") << 0;
        QTest::newRow("a restart") << 1;
        QTest::newRow("a log begun by the meter") << 2;
    }
    void saveTabNeverWritesAnotherLogOverTheFileOfTheFirst() {
        QFETCH(int, how);
        for (int i = 0; i < 54; ++i)
            AddRecord(i, 4.0f, 0.004f * i);
        Tabl().show();
        Tabl().mAllRec->trigger();
        Prompts().fileNames.push_back(test::ToUtf8(Path("a.txt")));
        QTest::mouseClick(Tabl().bbSaveAs, Qt::LeftButton);
        const QByteArray first = ReadBytes(Path("a.txt"));
        QCOMPARE(first.count('\n'), 54);
        const QByteArray firstMarks = ReadBytes(Path("a.txt.test.txt"));

        // The log is replaced by one of 5 records.
        if (how == 0) {
            WriteBytes(Path("b.txt"), FileOf({QStringLiteral("10:00:00;1;4,985;1,000;2,000"),
                                              QStringLiteral("10:00:01;2;4,985;1,000;2,000"),
                                              QStringLiteral("10:00:02;3;4,985;1,000;2,000"),
                                              QStringLiteral("10:00:03;4;4,985;1,000;2,000"),
                                              QStringLiteral("10:00:04;5;4,985;1,000;2,000")}));
            Prompts().fileNames.push_back(test::ToUtf8(Path("b.txt")));
            QTest::mouseClick(Tabl().bbLoadTab, Qt::LeftButton);
        } else {
            if (how == 1) {
                m_rig->form1->Session().ResetLog();
                QCOMPARE(Tabl().ListBox1->count(), 0);
            } else {
                // The meter measured by itself: the log begins again, the table is not cleared.
                Log().SetIdle();
                Log().Accumulate(core::SteadyAt(core::EncodeDateTime({2026, 1, 1, 13, 0, 0, 0})),
                                 4.0f, 0.0);
                QCOMPARE(Tabl().ListBox1->count(), 54);
            }
            for (int i = 0; i < 5; ++i) {
                AddRecord(i, 4.0f, 0.5f);
                Tabl().AddRecordRow(i);
            }
        }
        QCOMPARE(Log().Count(), 5);

        // "Сохранить таблицу" asks for a file, as for a log never saved; cancelled here.
        Prompts().Clear();
        QTest::mouseClick(Tabl().bbSaveTab, Qt::LeftButton);
        QCOMPARE(std::ssize(Prompts().asked), 1);
        QCOMPARE(Prompts().asked[0].kind, test::Prompt::SaveFile);
        QCOMPARE(test::Q(Prompts().asked[0].text), QStringLiteral("Сохранить таблицу"));
        QCOMPARE(ReadBytes(Path("a.txt")), first);
        QCOMPARE(ReadBytes(Path("a.txt.test.txt")), firstMarks);
        QVERIFY(Tabl().TableFileName.isEmpty());

        // The file chosen now is the new log's: saved to again without a question.
        Prompts().fileNames.push_back(test::ToUtf8(Path("c.txt")));
        QTest::mouseClick(Tabl().bbSaveTab, Qt::LeftButton);
        Prompts().Clear();
        QTest::mouseClick(Tabl().bbSaveTab, Qt::LeftButton);
        QVERIFY(Prompts().asked.empty());
        QCOMPARE(ReadBytes(Path("c.txt")),
                 QByteArray::fromStdString(FileOf(Rows(Tabl().ListBox1))));
        // Only the new log's rows: rows of the first are no rows of it.
        QCOMPARE(ReadBytes(Path("c.txt")).count('\n'), 5);
        QCOMPARE(ReadBytes(Path("a.txt")), first);
    }

    void saveTabAsksBeforeAPartialTableReplacesAFullOne() {
        for (int i = 0; i < 54; ++i)
            AddRecord(i, 4.0f, 0.004f * i);
        Tabl().show();
        Tabl().mAllRec->trigger();
        Prompts().fileNames.push_back(test::ToUtf8(Path("a.txt")));
        QTest::mouseClick(Tabl().bbSaveAs, Qt::LeftButton);
        const QByteArray full = ReadBytes(Path("a.txt"));

        // Hidden and shown again: the list starts empty and follows the next record only.
        Tabl().hide();
        Tabl().show();
        AddRecord(54, 4.0f, 0.3f);
        Tabl().AddRecordRow(54);
        Prompts().Clear();
        QTest::mouseClick(Tabl().bbSaveTab, Qt::LeftButton);
        QCOMPARE(test::Q(Prompts().Texts()), QStringList({kPartialSave + Path("a.txt")}));
        QCOMPARE(Prompts().asked[0].kind, test::Prompt::Question);
        QCOMPARE(Prompts().unanswered, 1); // closed: counts as Cancel
        QCOMPARE(ReadBytes(Path("a.txt")), full);

        // "Все записи" brings every record back: written without a question.
        Tabl().mAllRec->trigger(); // clears the check mark left from before
        Tabl().mAllRec->trigger();
        QCOMPARE(Tabl().ListBox1->count(), 55);
        Prompts().Clear();
        QTest::mouseClick(Tabl().bbSaveTab, Qt::LeftButton);
        QVERIFY(Prompts().asked.empty());
        QCOMPARE(ReadBytes(Path("a.txt")),
                 QByteArray::fromStdString(FileOf(Rows(Tabl().ListBox1))));
    }

    void saveAsAsksBeforeReplacingAFile() {
        ShowFiveRows();
        WriteBytes(Path("old.txt"), "earlier");
        Prompts().fileNames.push_back(test::ToUtf8(Path("old.txt")));
        Prompts().answers.push_back(core::PromptAnswer::Cancel);
        QTest::mouseClick(Tabl().bbSaveAs, Qt::LeftButton);
        QCOMPARE(std::ssize(Prompts().asked), 2);
        QCOMPARE(test::Q(Prompts().asked[1].text), QStringLiteral("Файл существует, заменить?"));
        QCOMPARE(Prompts().asked[1].buttons, core::PromptButtons::OkCancel);
        QCOMPARE(ReadBytes(Path("old.txt")), QByteArray("earlier"));
        QVERIFY(Tabl().TableFileName.isEmpty());

        Prompts().fileNames.push_back(test::ToUtf8(Path("old.txt")));
        Prompts().answers.push_back(core::PromptAnswer::Ok);
        Tabl().miSaveAs->trigger();
        QCOMPARE(Tabl().TableFileName, Path("old.txt"));
        QCOMPARE(ReadBytes(Path("old.txt")),
                 QByteArray::fromStdString(FileOf(Rows(Tabl().ListBox1))));
        // Cancelling the dialog writes nothing.
        Prompts().Clear();
        QTest::mouseClick(Tabl().bbSaveAs, Qt::LeftButton);
        QCOMPARE(Prompts().unanswered, 1);
        QCOMPARE(Tabl().TableFileName, Path("old.txt"));
    }

    void failedSaveIsToldAndKeepsWhatWasThere() {
        ShowFiveRows();
        // A folder in the file's place: the write cannot replace it, whoever runs the test.
        QVERIFY(QDir(m_rig->dir.path()).mkdir(QStringLiteral("taken.txt")));
        WriteBytes(Path("taken.txt/inside"), "kept");
        Prompts().fileNames.push_back(test::ToUtf8(Path("taken.txt")));
        Prompts().answers.push_back(core::PromptAnswer::Ok);
        QTest::mouseClick(Tabl().bbSaveAs, Qt::LeftButton);
        QCOMPARE(Prompts().asked.back().kind, test::Prompt::Error);
        QCOMPARE(test::Q(Prompts().asked.back().caption), QStringLiteral("Monitor VELS5"));
        const QStringList lines = test::Q(Prompts().asked.back().text).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QStringLiteral("Cannot create file ") + Path("taken.txt"));
        QCOMPARE(lines[1], QStringLiteral("Is a directory"));
        QCOMPARE(ReadBytes(Path("taken.txt/inside")), QByteArray("kept"));
        QCOMPARE(QDir(m_rig->dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        // The chosen name has become the table's file name all the same.
        QCOMPARE(Tabl().TableFileName, Path("taken.txt"));
    }

    void loadReplacesLogAndListAndRedrawsAVisibleGraph() {
        ShowFiveRows();
        Tabl().View.IsUnit = false;
        WriteBytes(Path("in.txt"),
                   FileOf({QStringLiteral("12:34:56;    5;   4,985В;   4,321В;   0,123дБ/м"),
                           QStringLiteral("12:34:57;    6;   4,985В;   4,300В;   -0,050дБ/м")}));
        m_rig->graph->show();
        Prompts().fileNames.push_back(test::ToUtf8(Path("in.txt")));
        QTest::mouseClick(Tabl().bbLoadTab, Qt::LeftButton);
        QCOMPARE(std::ssize(Prompts().asked), 1);
        QCOMPARE(Prompts().asked[0].kind, test::Prompt::OpenFile);
        QCOMPARE(test::Q(Prompts().asked[0].text), QStringLiteral("Открыть таблицу"));
        QCOMPARE(Prompts().asked[0].file.filterIndex, 1);
        QCOMPARE(Rows(Tabl().ListBox1),
                 QStringList({QStringLiteral("12:34:56;    5;   4,985;    4,321;    0,123"),
                              QStringLiteral("12:34:57;    6;   4,985;    4,300;    -0,050")}));
        QCOMPARE(Log().Count(), 2);
        const core::MeasurementRecord first = Log()[0];
        QCOMPARE(core::FormatTimeOfDay(first.Time), std::string("12:34:56"));
        QCOMPARE(int(first.T), 5);
        QCOMPARE(float(first.Ui), 4.321f);
        QCOMPARE(m_rig->graph->lVal->text(), QStringLiteral("m=-0,050 дБ/м"));
        QVERIFY(Tabl().TableFileName.isEmpty());

        // With the graph hidden it is not redrawn.
        m_rig->graph->hide();
        WriteBytes(Path("in2.txt"), FileOf({QStringLiteral("01:00:00;1;4,985;1,000;2,000")}));
        Prompts().fileNames.push_back(test::ToUtf8(Path("in2.txt")));
        Tabl().miLoadTab->trigger();
        QCOMPARE(Log().Count(), 1);
        QCOMPARE(m_rig->graph->lVal->text(), QStringLiteral("m=-0,050 дБ/м"));
    }

    void refusedLoadsChangeNothing() {
        ShowFiveRows();
        ClickRow(Tabl().ListBox1, 1);
        const QStringList before = Rows(Tabl().ListBox1);
        std::vector<core::MeasurementRecord> records;
        for (int i = 0; i < 5; ++i)
            records.push_back(Log()[i]);
        const QString good = QStringLiteral("10:00:00;    1;   4,985;    1,000;    0,100");
        const struct {
            const char* file;
            std::string bytes;
            test::Prompt::Kind kind;
            QString text;
        } cases[] = {
            {"damaged.txt",
             FileOf({good, good, good, QStringLiteral("10:00:00;  1;4,985;  4,321")}),
             test::Prompt::Information, QStringLiteral("Файл таблицы повреждён")},
            {"empty.txt", "", test::Prompt::Information, QStringLiteral("Файл таблицы пустой")},
            {"time.txt",
             FileOf({good, QStringLiteral("1O:00:00;    1;   4,985;    1,000;    0,1")}),
             test::Prompt::Error, QStringLiteral("'1O:00:00' is not a valid time")},
            {"missing.txt",
             {},
             test::Prompt::Error,
             QStringLiteral("Cannot open file ") + Path("missing.txt")},
        };
        for (const auto& c : cases) {
            if (std::string_view(c.file) != "missing.txt")
                WriteBytes(Path(c.file), c.bytes);
            Prompts().Clear();
            Prompts().fileNames.push_back(test::ToUtf8(Path(c.file)));
            QTest::mouseClick(Tabl().bbLoadTab, Qt::LeftButton);
            QCOMPARE(std::ssize(Prompts().asked), 2);
            QCOMPARE(Prompts().asked[1].kind, c.kind);
            QCOMPARE(test::Q(Prompts().asked[1].caption), QStringLiteral("Monitor VELS5"));
            QCOMPARE(test::Q(Prompts().asked[1].text), c.text);
            QCOMPARE(Log().Count(), 5);
            for (int i = 0; i < 5; ++i) {
                const core::MeasurementRecord r = Log()[i];
                const core::MeasurementRecord was = records[static_cast<std::size_t>(i)];
                QCOMPARE(int(r.T), int(was.T));
                QCOMPARE(float(r.m), float(was.m));
            }
            QCOMPARE(Rows(Tabl().ListBox1), before);
            QVERIFY(Tabl().ListBox1->item(1)->isSelected());
        }
    }

    void loadIsUnavailableWhileAPortIsOpen() {
        Tabl().show();
        Tabl().SetLoadEnabled(false);
        Prompts().fileNames.push_back(test::ToUtf8(Path("never.txt")));
        QTest::mouseClick(Tabl().bbLoadTab, Qt::LeftButton);
        Tabl().miLoadTab->trigger();
        QVERIFY(Prompts().asked.empty());
    }

    void eraseRemovesSelectedRowsOnly() {
        ShowFiveRows();
        const QStringList rows = Rows(Tabl().ListBox1);
        QTest::mouseClick(Tabl().BitBtn2, Qt::LeftButton); // nothing selected: nothing happens
        QCOMPARE(Rows(Tabl().ListBox1), rows);
        ClickRow(Tabl().ListBox1, 1);
        ClickRow(Tabl().ListBox1, 2, Qt::ControlModifier);
        QTest::mouseClick(Tabl().BitBtn2, Qt::LeftButton);
        QCOMPARE(Rows(Tabl().ListBox1), QStringList({rows[0], rows[3], rows[4]}));
        QCOMPARE(Log().Count(), 5);
        QVERIFY(Prompts().asked.empty());

        // "Выделить всё" then "Вырезать" empties the list, and the log stays.
        Tabl().mSelAll->trigger();
        QCOMPARE(Tabl().ListBox1->selectedItems().size(), 3);
        Tabl().mErase->trigger();
        QCOMPARE(Tabl().ListBox1->count(), 0);
        QCOMPARE(Log().Count(), 5);
    }

    void eraseKeepsTheCurrentRowThatStays() {
        ShowFiveRows();
        ClickRow(Tabl().ListBox1, 0);
        ClickRow(Tabl().ListBox1, 2, Qt::ControlModifier);
        ClickRow(Tabl().ListBox1, 3, Qt::ControlModifier);
        ClickRow(Tabl().ListBox1, 3, Qt::ControlModifier); // current, but not selected
        QCOMPARE(Tabl().ListBox1->currentRow(), 3);
        QVERIFY(!Tabl().ListBox1->item(3)->isSelected());
        const QStringList rows = Rows(Tabl().ListBox1);
        Tabl().mEraseClick();
        QCOMPARE(Rows(Tabl().ListBox1), QStringList({rows[1], rows[3], rows[4]}));
        QCOMPARE(Tabl().ListBox1->currentItem()->text(), rows[3]);
        QVERIFY(Tabl().ListBox1->selectedItems().isEmpty());
    }

    void allRecordsClickedTwice() {
        ShowFiveRows();
        QVERIFY(Tabl().mAllRec->isChecked());
        ClickRow(Tabl().ListBox1, 4);
        Tabl().mEraseClick();
        Tabl().mAllRec->trigger(); // second click: only the check mark goes
        QVERIFY(!Tabl().mAllRec->isChecked());
        QCOMPARE(Tabl().ListBox1->count(), 4);
        Tabl().mAllRec->trigger();
        QVERIFY(Tabl().mAllRec->isChecked());
        QCOMPARE(Tabl().ListBox1->count(), 5);
        QCOMPARE(Tabl().ListBox1->item(4)->text(),
                 QStringLiteral("12:00:04;    4;   4,985;    4,500;    1,000"));
        QCOMPARE(Tabl().lDist->text(), QStringLiteral("Li=1,0 м"));
    }

    void allRecordsFollowsTheLastRowInFollowMode() {
        for (int i = 0; i < 40; ++i)
            AddRecord(i, 4.0f, 0.01f * i);
        Tabl().show();
        QTest::mouseClick(Tabl().sbLastLine, Qt::LeftButton);
        Tabl().mAllRec->trigger();
        QCOMPARE(Tabl().ListBox1->currentRow(), 39);
        QVERIFY(Tabl().ListBox1->selectedItems().isEmpty());
    }

    void closeHidesAndShowingStartsEmptyWithoutFollowMode() {
        ShowFiveRows();
        QTest::mouseClick(Tabl().sbLastLine, Qt::LeftButton);
        QVERIFY(Tabl().View.ViewLastLine);
        Tabl().miClose->trigger();
        QVERIFY(!Tabl().isVisible());
        QCOMPARE(Tabl().ListBox1->count(), 5); // hidden, not emptied
        Tabl().show();
        QCOMPARE(Tabl().ListBox1->count(), 0);
        QVERIFY(!Tabl().View.ViewLastLine);
        QVERIFY(!Tabl().mViewLastLine->isChecked());
        QVERIFY(!Tabl().sbLastLine->isChecked());
        QVERIFY(Tabl().mAllRec->isChecked()); // showing leaves the "Все записи" mark
    }

    void templateFromTheTableLoadsIntoTheGraph() {
        AddRecord(100, 4.0f, 0.0f);
        AddRecord(120, 4.0f, 0.05f);
        AddRecord(125, 4.0f, -0.1f);
        AddRecord(130, 4.0f, 0.15f);
        Tabl().View.IsUnit = true;
        Tabl().show();
        Tabl().mAllRec->trigger();
        ClickRow(Tabl().ListBox1, 1);
        ClickRow(Tabl().ListBox1, 3, Qt::ShiftModifier);
        Prompts().fileNames.push_back(test::ToUtf8(Path("templ.txt")));
        QTest::mouseClick(Tabl().bbSaveTempl, Qt::LeftButton);
        QCOMPARE(std::ssize(Prompts().asked), 1);
        QCOMPARE(test::Q(Prompts().asked[0].text), QStringLiteral("Сохранить как шаблон"));
        QCOMPARE(ReadBytes(Path("templ.txt")),
                 QByteArray::fromStdString(
                     FileOf({QStringLiteral("    0;  0,050дБ"), QStringLiteral("    5;  -0,100дБ"),
                             QStringLiteral("   10;  0,150дБ")})));

        ui::TFormGraph& graph = *m_rig->graph;
        QVERIFY(!graph.OverlayButton(10)->isEnabled());
        Prompts().fileNames.push_back(test::ToUtf8(Path("templ.txt")));
        graph.miLoadTempl->trigger();
        QCOMPARE(test::Q(Prompts().asked.back().text), QStringLiteral("Загрузить шаблон"));
        QCOMPARE(graph.Template.NTempl, std::int16_t(3));
        QCOMPARE(graph.Template.TemplatePoints[2].T, std::uint16_t(10));
        QCOMPARE(graph.Template.TemplatePoints[1].m, -0.1f);
        QCOMPARE(QString::fromStdString(graph.Template.TemplFile), Path("templ.txt"));
        QVERIFY(graph.OverlayButton(10)->isEnabled());
    }

    void twoRowTemplateIsWrittenButRefusedByTheGraph() {
        ShowFiveRows();
        ClickRow(Tabl().ListBox1, 3);
        ClickRow(Tabl().ListBox1, 4, Qt::ControlModifier);
        Prompts().fileNames.push_back(test::ToUtf8(Path("two.txt")));
        Tabl().miSaveTempl->trigger();
        QCOMPARE(ReadBytes(Path("two.txt")),
                 QByteArray::fromStdString(
                     FileOf({QStringLiteral("    0;  0,750"), QStringLiteral("    1;  1,000")})));
        Prompts().fileNames.push_back(test::ToUtf8(Path("two.txt")));
        m_rig->graph->miLoadTempl->trigger();
        QCOMPARE(test::Q(Prompts().asked.back().text), QStringLiteral("Файл шаблона пустой"));
        QVERIFY(m_rig->graph->Template.TemplFile.empty());
        QCOMPARE(m_rig->graph->Template.NTempl, std::int16_t(0));
        QVERIFY(!m_rig->graph->OverlayButton(10)->isEnabled());
    }

    void fullLogThroughSaveAndLoad() {
        const double start = core::EncodeDateTime({2026, 1, 1, 8, 0, 0, 0});
        for (int i = 0; i < core::RecordLog::kMaxRecords; ++i) {
            Log()[i].T = static_cast<std::uint16_t>(2 * i);
            Log()[i].Time = start + 2 * i / core::kSecondsPerDay;
            Log()[i].Ui = static_cast<float>(4.985 - (i % 4000) * 0.001);
            Log()[i].m = static_cast<float>((i % 1500) * 0.017 - 0.5);
        }
        Log().SetCount(core::RecordLog::kMaxRecords);
        std::vector<core::MeasurementRecord> written;
        for (int i = 0; i < Log().Count(); ++i)
            written.push_back(Log()[i]);
        Tabl().View.IsUnit = true;
        Tabl().show();
        Tabl().mAllRec->trigger();
        Prompts().fileNames.push_back(test::ToUtf8(Path("full.txt")));
        QTest::mouseClick(Tabl().bbSaveAs, Qt::LeftButton);
        const QStringList shown = Rows(Tabl().ListBox1);

        Log().SetCount(0);
        Tabl().ClearRows();
        Prompts().fileNames.push_back(test::ToUtf8(Path("full.txt")));
        QTest::mouseClick(Tabl().bbLoadTab, Qt::LeftButton);
        QCOMPARE(std::ssize(Prompts().asked), 2);
        QCOMPARE(Log().Count(), core::RecordLog::kMaxRecords);
        const QStringList loaded = Rows(Tabl().ListBox1);
        QCOMPARE(loaded.size(), shown.size());
        for (int i = 0; i < Log().Count(); ++i) {
            const core::MeasurementRecord in = written[static_cast<std::size_t>(i)];
            const core::MeasurementRecord out = Log()[i];
            // A five-digit T is rebuilt with one space fewer before it than a live row has.
            QCOMPARE(loaded[i], in.T < 10000 ? shown[i] : QString(shown[i]).remove(9, 1));
            QCOMPARE(int(out.T), int(in.T));
            QCOMPARE(core::FormatTimeOfDay(out.Time), core::FormatTimeOfDay(in.Time));
            QCOMPARE(core::FormatDecimal(out.Ui, 5, 3), core::FormatDecimal(in.Ui, 5, 3));
            QCOMPARE(core::FormatDecimal(out.m, 5, 3), core::FormatDecimal(in.m, 5, 3));
        }
    }

    void templateNeedsRowsASelectionAndTwoRecords() {
        AddRecord(0, 4.0f, 0.5f);
        Tabl().show();
        Tabl().mAllRec->trigger();
        ClickRow(Tabl().ListBox1, 0);
        Tabl().miSaveTempl->trigger(); // one row in the list: nothing
        QVERIFY(Prompts().asked.empty());
        // The meter begins a new log by itself; its first record is the second row.
        Log().SetIdle();
        Log().Accumulate(core::SteadyAt(core::EncodeDateTime({2026, 1, 1, 13, 0, 0, 0})), 4.0f,
                         0.0);
        AddRecord(0, 4.0f, 0.7f);
        Tabl().AddRecordRow(0);
        Tabl().ListBox1->clearSelection();
        QTest::mouseClick(Tabl().bbSaveTempl, Qt::LeftButton);
        QCOMPARE(test::Q(Prompts().Texts()), QStringList({QStringLiteral("Нет выбранных строк")}));
        QCOMPARE(Prompts().asked[0].kind, test::Prompt::Information);
        // Both rows selected, but the first shows a record of the earlier log: refused.
        Prompts().Clear();
        Tabl().mSelAllClick();
        QTest::mouseClick(Tabl().bbSaveTempl, Qt::LeftButton);
        QCOMPARE(test::Q(Prompts().Texts()), QStringList({kRecordsGone}));
        QCOMPARE(Prompts().asked[0].kind, test::Prompt::Information);
        QCOMPARE(test::Q(Prompts().asked[0].caption), QStringLiteral("Monitor VELS5"));
        // The second row alone: one line, nothing written.
        Prompts().Clear();
        ClickRow(Tabl().ListBox1, 1);
        QTest::mouseClick(Tabl().bbSaveTempl, Qt::LeftButton);
        QVERIFY(Prompts().asked.empty());
    }

    void templateRowsAreTheRecordsTheRowsShow() {
        ShowFiveRows(); // T = 0..4, m = 0.25 * T
        ClickRow(Tabl().ListBox1, 0);
        Tabl().mEraseClick(); // the list now starts with the row of record 1
        ClickRow(Tabl().ListBox1, 1);
        ClickRow(Tabl().ListBox1, 2, Qt::ControlModifier);
        Prompts().fileNames.push_back(test::ToUtf8(Path("pos.txt")));
        QTest::mouseClick(Tabl().bbSaveTempl, Qt::LeftButton);
        // Positions 1 and 2 show records 2 and 3.
        QCOMPARE(ReadBytes(Path("pos.txt")),
                 QByteArray::fromStdString(
                     FileOf({QStringLiteral("    0;  0,500"), QStringLiteral("    1;  0,750")})));

        // Hidden and shown while recording: the rows are the records that came since.
        Tabl().hide();
        Tabl().show();
        const float m[] = {0.743f, 0.747f, 0.751f};
        for (int i = 0; i < 3; ++i) {
            AddRecord(127 + i, 4.0f, m[i]);
            Tabl().AddRecordRow(Log().Count() - 1);
        }
        Tabl().mSelAllClick();
        Prompts().fileNames.push_back(test::ToUtf8(Path("shown.txt")));
        QTest::mouseClick(Tabl().bbSaveTempl, Qt::LeftButton);
        QCOMPARE(ReadBytes(Path("shown.txt")),
                 QByteArray::fromStdString(
                     FileOf({QStringLiteral("    0;  0,743"), QStringLiteral("    1;  0,747"),
                             QStringLiteral("    2;  0,751")})));
    }

    void refusedTemplatesKeepTheLoadedOne() {
        ui::TFormGraph& graph = *m_rig->graph;
        WriteBytes(Path("good.txt"), FileOf({"0;0,1", "5;0,2", "10;0,3"}));
        Prompts().fileNames.push_back(test::ToUtf8(Path("good.txt")));
        graph.miLoadTempl->trigger();
        QCOMPARE(graph.Template.NTempl, std::int16_t(3));
        const QString line31 = QString(18, QLatin1Char(' ')) + QStringLiteral("    0;  0,050");
        const struct {
            const char* file;
            std::string bytes;
            QString text;
            bool keepsName;
        } cases[] = {
            {"two.txt", FileOf({"0;0,1", "5;0,2"}), QStringLiteral("Файл шаблона пустой"), false},
            {"long.txt", FileOf({"0;0,1", line31, "9;0,2"}), QStringLiteral("Ошибка шаблона"),
             false},
            {"bad.txt", FileOf({"0;0,1", "5;0,2", "7;  x"}),
             QStringLiteral("Файл шаблона повреждён"), false},
            {"conv.txt", FileOf({"0;0,1", "-5;0,2", "9;0,3"}),
             QStringLiteral("'' is not a valid integer value"), true},
        };
        for (const auto& c : cases) {
            WriteBytes(Path(c.file), c.bytes);
            Prompts().Clear();
            Prompts().fileNames.push_back(test::ToUtf8(Path(c.file)));
            graph.miLoadTempl->trigger();
            QCOMPARE(test::Q(Prompts().Texts()).last(), c.text);
            QCOMPARE(Prompts().asked.back().kind,
                     c.keepsName ? test::Prompt::Error : test::Prompt::Information);
            QCOMPARE(QString::fromStdString(graph.Template.TemplFile),
                     c.keepsName ? Path(c.file) : QString());
            QCOMPARE(graph.Template.NTempl, std::int16_t(3));
            QCOMPARE(graph.Template.TemplatePoints[2].m, 0.3f);
            QVERIFY(graph.OverlayButton(10)->isEnabled());
        }
    }

    void refusedFirstTemplateLeavesTheButtonDisabled() {
        ui::TFormGraph& graph = *m_rig->graph;
        Prompts().fileNames.push_back(test::ToUtf8(Path("absent.txt")));
        graph.miLoadTempl->trigger();
        QCOMPARE(test::Q(Prompts().asked.back().text),
                 QStringLiteral("Cannot open file ") + Path("absent.txt"));
        // A file that cannot be read leaves the chosen name.
        QCOMPARE(QString::fromStdString(graph.Template.TemplFile), Path("absent.txt"));
        QCOMPARE(graph.Template.NTempl, std::int16_t(0));
        QVERIFY(!graph.OverlayButton(10)->isEnabled());
    }
};

VELS5_GUI_TEST_MAIN(TstTable)
#include "tst_table.moc"
