// The test report: vels5-report as a separate process and the graph window's "Отчёт…" write
// a PDF whose pages and text (read back with pdfinfo and pdftotext) hold the test; a write
// that fails leaves no file.
#include "core/common/cp1251.h"
#include "core/files/table_file.h"
#include "core/fire/fire_marks.h"
#include "core/fire/fire_report.h"
#include "core/table/table_row.h"
#include "test_main.h"
#include "tests/common/fake_prompts.h"
#include "tests/core/fake_session_observer.h"
#include "ui/graph/form_graph.h"
#include "ui/paint/report_pdf.h"

#include <QAction>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run Start(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.closeWriteChannel();
    Run run;
    if (!process.waitForFinished(120000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

Run Report(const QStringList& args) {
    return Start(QStringLiteral(VELS5_TOOLS_DIR "/vels5-report/vels5-report"), args);
}

int Pages(const QString& pdf) {
    const Run run = Start(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)$"),
                                                         QRegularExpression::MultilineOption)
                                          .match(run.out);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Without blanks and line breaks: the text tool guesses the blanks between glyphs from their
// distances, and a narrow one may be missed.
QString Squeezed(QString text) {
    return text.remove(QRegularExpression(QStringLiteral("\\s+")));
}

// The text of pages `first` to `last` as laid out (a line of the page stays one line),
// squeezed.
QString Text(const QString& pdf, int first, int last) {
    const Run run = Start(QStringLiteral("pdftotext"),
                          {"-layout", "-enc", "UTF-8", "-f", QString::number(first), "-l",
                           QString::number(last), pdf, "-"});
    return Squeezed(run.out);
}

// A table file of `n` rows one second apart from T = 0 at 12:00:00; m rises from 0,3 dB/m at
// 100 s, faster than ТП1 allows.
QByteArray TableFile(int n) {
    std::string text;
    for (int t = 0; t < n; ++t) {
        char row[96];
        const int milli = t < 100 ? 10 : 300 + (t - 100) * 2;
        std::snprintf(row, sizeof row, "12:%02d:%02d;%5d;   4,985;    4,500;    %d,%03d\r\n",
                      t / 60 % 60, t % 60, t, milli / 1000, milli % 1000);
        text += row;
    }
    return QByteArray::fromStdString(text);
}

core::TestMarks Marks() {
    core::TestMarks marks;
    marks.fireId = 1;
    marks.fireStartT = 20;
    marks.detectors = {{"И1", 150.0, 0.4f}, {"Дым-2", 180.5, 0.6f}};
    marks.distanceM = 2.5f;
    marks.periodSec = 1;
    return marks;
}

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

// The verdict line the window "Испытание" shows for the table and marks.
QString Verdict(const QByteArray& table, const core::TestMarks& marks) {
    const core::TableFileLoad load = core::ReadTableFile(table.toStdString(), ";", false);
    core::ReportSource source;
    source.records = load.records;
    source.marks = marks;
    return Utf8(core::BuildTestReport(source).verdict);
}

} // namespace

class TstReport : public QObject {
    Q_OBJECT

private:
    test::FakePrompts m_prompts;

private slots:
    void toolWritesTheTestAndEveryRecord() {
        QTemporaryDir dir;
        const QByteArray table = TableFile(300);
        const QString path = Write(dir, QStringLiteral("2026-03-04_12-00-00.txt"), table);
        Write(dir, QStringLiteral("2026-03-04_12-00-00.txt.test.txt"),
              QByteArray::fromStdString(core::FormatMarksFile(Marks())));
        const QString pdf = dir.filePath(QStringLiteral("протокол.pdf"));
        const Run run = Report({path, "-o", pdf});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        // The test on one page, then 300 records at 120 a page.
        QCOMPARE(Pages(pdf), 1 + 3);
        const QString first = Text(pdf, 1, 1);
        const QString verdict = Verdict(table, Marks());
        QVERIFY(verdict.startsWith(QStringLiteral("ТП1: выше границы с ")));
        for (const QString& expected :
             {QStringLiteral("Протокол испытания"), QStringLiteral("Дата: 04.03.2026"),
              QStringLiteral("Начало записи: 12:00:00"), QStringLiteral("Тестовый пожар: ТП1"),
              QStringLiteral("База: 2,5 м"), QStringLiteral("Период записи: 1 с"),
              QStringLiteral("Пуск пожара: 20,0 с"), verdict, QStringLiteral("Дым-2"),
              QStringLiteral("180,5"), QStringLiteral("0,600"),
              QStringLiteral("Отношение порогов: 1,50"), QStringLiteral("Лист 1 из 4")})
            QVERIFY2(first.contains(Squeezed(expected)),
                     qPrintable(expected + " not in: " + first));
        // Every row on the page its place gives it: 120 a page, 60 a column.
        for (int page = 2; page <= 4; ++page) {
            const QString rows = Text(pdf, page, page);
            for (int t = (page - 2) * 120; t < std::min(300, (page - 1) * 120); ++t) {
                const QString row = QStringLiteral("12:%1:%2; %3;")
                                        .arg(t / 60, 2, 10, QLatin1Char('0'))
                                        .arg(t % 60, 2, 10, QLatin1Char('0'))
                                        .arg(t);
                QVERIFY2(rows.contains(Squeezed(row)), qPrintable(row));
            }
        }
        QVERIFY(Text(pdf, 3, 3).contains(QStringLiteral("12:02:00;120;")));
        QVERIFY(Text(pdf, 4, 4).contains(QStringLiteral("12:04:59;299;")));
        QVERIFY(Text(pdf, 4, 4).contains(QStringLiteral("Лист4из4")));
    }

    void optionsOverrideTheMarksAndUnknownsAreDashes() {
        QTemporaryDir dir;
        const QString path = Write(dir, QStringLiteral("t.txt"), TableFile(30));
        const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
        Run run = Report({path, "-o", pdf});
        QCOMPARE(run.status, 0);
        QCOMPARE(Pages(pdf), 2);
        QString text = Text(pdf, 1, 1);
        for (const char* expected : {"Дата: —", "Тестовый пожар: —", "База: —", "Период записи: —",
                                     "Тестовый пожар не выбран", "Извещатели не заданы"})
            QVERIFY2(text.contains(Squeezed(QString::fromUtf8(expected))), expected);
        run = Report({path, "-o", pdf, "--fire", "TP2", "--start", "5.5", "--distance", "7,25",
                      "--period", "3"});
        QCOMPARE(run.status, 0);
        text = Text(pdf, 1, 1);
        for (const char* expected : {"Тестовый пожар: ТП2", "Пуск пожара: 5,5 с", "База: 7,3 м",
                                     "Период записи: 3 с", "ТП2: в допуске"})
            QVERIFY2(text.contains(Squeezed(QString::fromUtf8(expected))), expected);
    }

    void aFailedWriteLeavesNoFile() {
        QTemporaryDir dir;
        const QString path = Write(dir, QStringLiteral("t.txt"), TableFile(30));
        const QString missing = dir.filePath(QStringLiteral("no-such-folder/r.pdf"));
        Run run = Report({path, "-o", missing});
        QCOMPARE(run.status, 3);
        QVERIFY2(run.err.contains(QStringLiteral("Cannot create file ")), qPrintable(run.err));
        QVERIFY(!QFile::exists(missing));
        const QString underFile = path + QStringLiteral("/r.pdf");
        QCOMPARE(Report({path, "-o", underFile}).status, 3);
        QVERIFY(!QFile::exists(underFile));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"t.txt"});
    }

    void refusalsAndMistakes() {
        QTemporaryDir dir;
        const QString good = Write(dir, QStringLiteral("t.txt"), TableFile(10));
        const QString out = dir.filePath(QStringLiteral("r.pdf"));
        Run run = Report({Write(dir, QStringLiteral("empty.txt"), {}), "-o", out});
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains(QStringLiteral("Файл таблицы пустой")));
        Write(dir, QStringLiteral("t.txt.test.txt"), "x\r\n");
        run = Report({good, "-o", out});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("Файл испытания повреждён (line 1)")),
                 qPrintable(run.err));
        QCOMPARE(Report({good, "--marks", dir.filePath(QStringLiteral("none")), "-o", out}).status,
                 2);
        QCOMPARE(Report({dir.filePath(QStringLiteral("missing.txt")), "-o", out}).status, 2);
        QCOMPARE(Report({good}).status, 2);
        QCOMPARE(Report({good, "-o", out, "--fire", "TP6"}).status, 2);
        QCOMPARE(Report({good, "-o", out, "--distance", "0,2"}).status, 2);
        QCOMPARE(Report({good, "-o", out, "--period", "31"}).status, 2);
        QCOMPARE(Report({good, "-o", out, "--start", "-1"}).status, 2);
        QVERIFY(!QFile::exists(out));
        run = Report({"--help"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains(QStringLiteral("vels5-report [OPTION]... TABLE-FILE -o")));
    }

    void graphPictureIsThePlotToolsPicture() {
        QTemporaryDir dir;
        const QByteArray table = TableFile(300);
        const QString path = Write(dir, QStringLiteral("t.txt"), table);
        const QString marks = Write(dir, QStringLiteral("m.txt"),
                                    QByteArray::fromStdString(core::FormatMarksFile(Marks())));
        const QString png = dir.filePath(QStringLiteral("p.png"));
        // The whole log across (400 periods), 0 to 2 dB/m, colours for paper.
        const Run run =
            Start(QStringLiteral(VELS5_TOOLS_DIR "/vels5-plot/vels5-plot"),
                  {path, "--marks", marks, "--numpoint", "400", "--scale-row", "4", "--back-colour",
                   "0x00FFFFFF", "--margin-colour", "0x00FFFFFF", "--grid-colour", "0x00C0C0C0",
                   "--curve-colour", "0x00C00000", "-o", png});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const core::TableFileLoad load = core::ReadTableFile(table.toStdString(), ";", false);
        const QImage picture = ui::ReportGraphPicture(load.records, Marks());
        QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32), picture);
    }

    void windowReportWritesThePdfAtTheChosenName() {
        QTemporaryDir dir;
        const QByteArray table = TableFile(130);
        test::SessionRig rig;
        const core::TableFileLoad load = core::ReadTableFile(table.toStdString(), ";", false);
        QVERIFY(core::ApplyTableLoad(load, rig.session.Log()));
        const core::TestMarks marks = Marks();
        rig.session.LogLoaded(&marks);
        ui::TFormGraph g(m_prompts, rig.session);
        g.show();
        QAction* item = g.findChild<QAction*>(QStringLiteral("miReport"));
        QVERIFY(item);
        QCOMPARE(item->text(), QStringLiteral("Отчёт…"));
        const QString pdf = dir.filePath(QStringLiteral("отчёт.pdf"));
        m_prompts.Clear();
        m_prompts.fileNames.push_back(test::ToUtf8(pdf));
        item->trigger();
        QCOMPARE(std::ssize(m_prompts.asked), 1);
        QCOMPARE(m_prompts.asked[0].kind, test::Prompt::SaveFile);
        QCOMPARE(test::Q(m_prompts.asked[0].file.fileName), QStringLiteral("Протокол.pdf"));
        QCOMPARE(test::Q(m_prompts.asked[0].file.defaultSuffix), QStringLiteral("pdf"));
        QCOMPARE(Pages(pdf), 1 + 2);
        const QString text = Text(pdf, 1, 1);
        QVERIFY2(text.contains(Squeezed(Verdict(table, marks))), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Дым-2")));
        QVERIFY(text.contains(QStringLiteral("База:2,5м")));
        QVERIFY(Text(pdf, 3, 3).contains(QStringLiteral("12:02:09;129;")));
        // An existing file is replaced only after the question.
        m_prompts.Clear();
        m_prompts.fileNames.push_back(test::ToUtf8(pdf));
        m_prompts.answers.push_back(core::PromptAnswer::Cancel);
        QFile::resize(pdf, 10);
        item->trigger();
        QCOMPARE(test::Q(m_prompts.Texts()).last(), QStringLiteral("Файл существует, заменить?"));
        QCOMPARE(QFileInfo(pdf).size(), 10);
        // A write that fails is told and leaves nothing.
        m_prompts.Clear();
        const QString missing = dir.filePath(QStringLiteral("no-such-folder/r.pdf"));
        m_prompts.fileNames.push_back(test::ToUtf8(missing));
        item->trigger();
        QCOMPARE(std::ssize(m_prompts.asked), 2);
        QCOMPARE(m_prompts.asked[1].kind, test::Prompt::Error);
        const QStringList lines = test::Q(m_prompts.asked[1].text).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QStringLiteral("Cannot create file ") + missing);
        QVERIFY(!lines[1].isEmpty());
        QVERIFY(!QFile::exists(missing));
    }
    void windowReportOfARecordedLogTakesItsSetup() {
        QTemporaryDir dir;
        test::SessionRig rig;
        rig.session.Params().fDist = 2.0f;
        rig.session.PortOpened();
        for (int i = 0; i < 20; ++i) {
            rig.Frame(0x04, 4.9f, 0.2f); // work mode, m = 0,1 dB/m over 2 m
            rig.TickAfter(500);
        }
        QVERIFY(rig.session.Log().Count() >= 8);
        ui::TFormGraph g(m_prompts, rig.session);
        const QString pdf = dir.filePath(QStringLiteral("live.pdf"));
        m_prompts.Clear();
        m_prompts.fileNames.push_back(test::ToUtf8(pdf));
        g.miReport->trigger();
        // The clock starts on 1 January 2026 at 12:00:00; the first record, due a second later,
        // sets the log's time base (T 0).
        QCOMPARE(test::Q(m_prompts.asked[0].file.fileName),
                 QStringLiteral("Протокол 2026-01-01_12-00-01.pdf"));
        QCOMPARE(Pages(pdf), 2);
        const QString text = Text(pdf, 1, 1);
        for (const char* expected : {"Дата: 01.01.2026", "Начало записи: 12:00:01", "База: 2,0 м",
                                     "Период записи: 1 с", "Тестовый пожар: —"})
            QVERIFY2(text.contains(Squeezed(QString::fromUtf8(expected))), expected);
        const std::string row = core::FormatTableRow(rig.session.Log()[1], ";", false);
        QVERIFY2(Text(pdf, 2, 2).contains(Squeezed(QString::fromStdString(row))), row.c_str());
    }
};

VELS5_GUI_TEST_MAIN(TstReport)
#include "tst_report.moc"
