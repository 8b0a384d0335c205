// vels5-plot as a separate process: the picture equals the graph window's off-screen picture
// of the same table file; the JSON description, the options, refusals and exit statuses.
#include "core/common/cp1251.h"
#include "core/files/table_file.h"
#include "core/fire/fire_marks.h"
#include "test_main.h"
#include "tests/common/fake_prompts.h"
#include "tests/core/fake_session_observer.h"
#include "ui/fire/form_test.h"
#include "ui/graph/form_graph.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QString err;
};

Run Plot(const QStringList& args, const QByteArray& input = {}) {
    QProcess process;
    process.start(QStringLiteral(VELS5_TOOLS_DIR "/vels5-plot/vels5-plot"), args);
    process.write(input);
    process.closeWriteChannel();
    Run run;
    if (!process.waitForFinished(120000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// A table file of `n` rows one second apart from T = 1, m rising to about 0,5 dB/m.
QByteArray TableFile(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
        const int t = i + 1;
        char row[96];
        const int milli = i < 40 ? 10 : 10 + (i - 40) * 3;
        std::snprintf(row, sizeof row, "12:%02d:%02d;%5d;   4,985;    4,500;    %d,%03d\r\n",
                      t / 60 % 60, t % 60, t, milli / 1000, milli % 1000);
        text += row;
    }
    return QByteArray::fromStdString(text);
}

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

QList<QJsonObject> Objects(const QByteArray& jsonLines) {
    QList<QJsonObject> objects;
    for (const QByteArray& line : jsonLines.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject())
            return {}; // every line must be one object
        objects << doc.object();
    }
    return objects;
}

QList<QJsonObject> OfRole(const QList<QJsonObject>& objects, const QString& role) {
    QList<QJsonObject> found;
    for (const QJsonObject& o : objects)
        if (o.value("role").toString() == role)
            found << o;
    return found;
}

} // namespace

class TstPlotTool : public QObject {
    Q_OBJECT

private:
    test::FakePrompts m_prompts;

private slots:
    void pictureIsTheWindowsPicture() {
        QTemporaryDir dir;
        const QByteArray table = TableFile(300);
        const QString path = Write(dir, QStringLiteral("t.txt"), table);
        // The window with the same log, overlay and view.
        test::SessionRig rig;
        const core::TableFileLoad load = core::ReadTableFile(table.toStdString(), ";", false);
        QVERIFY(core::ApplyTableLoad(load, rig.session.Log()));
        ui::TFormGraph g(m_prompts, rig.session);
        g.show();
        g.OverlayAction(1)->trigger();
        g.Mouse.ShiftTP = 40;
        g.bbContYClick(); // dB/m row 3: 0 to 0,5
        const QString size = QStringLiteral("%1x%2").arg(g.iImg.width()).arg(g.iImg.height());
        const QString png = dir.filePath(QStringLiteral("p.png"));
        const Run run = Plot({path, "--overlay", "TP1", "--shift", "40", "--scale-row", "3",
                              "--size", size, "-o", png});
        QCOMPARE(run.status, 0);
        QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32), g.iImg);
        // BMP by the extension, 24 bits per pixel, the same pixels.
        const QString bmp = dir.filePath(QStringLiteral("p.bmp"));
        QCOMPARE(Plot({path, "--overlay", "ТП1", "--shift", "40", "--scale-row", "3", "--size",
                       size, "-o", bmp})
                     .status,
                 0);
        QFile file(bmp);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("BM"));
        QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 28), quint16(24));
        QCOMPARE(QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32), g.iImg);
    }

    void marksAreDrawnAsTheWindowDrawsTheTest() {
        QTemporaryDir dir;
        const QByteArray table = TableFile(300);
        const QString path = Write(dir, QStringLiteral("t.txt"), table);
        core::TestMarks marks;
        marks.fireId = 1;
        marks.fireStartT = 150.5;
        marks.detectors = {{"И1", 170.0, 0.05f}, {"Дым", 190.2, 0.1f}, {"И3", {}, 0}};
        const std::string marksBytes = core::FormatMarksFile(marks);
        const QString marksPath =
            Write(dir, QStringLiteral("t.txt.test.txt"), QByteArray::fromStdString(marksBytes));
        // The window with the same log and marks.
        test::SessionRig rig;
        const core::TableFileLoad load = core::ReadTableFile(table.toStdString(), ";", false);
        QVERIFY(core::ApplyTableLoad(load, rig.session.Log()));
        rig.session.LogLoaded(&marks);
        QVERIFY(rig.session.Test().Verdict());
        QVERIFY(!rig.session.Test().Verdict()->inside); // the curve rises faster than ТП1
        ui::TFormGraph g(m_prompts, rig.session);
        ui::TFormTest form(rig.session);
        form.SetGraph(&g);
        g.show();
        g.OverlayAction(2)->trigger(); // ТП2 is now the test's fire, its band anchored
        QCOMPARE(rig.session.Test().Marks().fireId, 2);
        g.bbContYClick();
        const QString size = QStringLiteral("%1x%2").arg(g.iImg.width()).arg(g.iImg.height());
        const QString png = dir.filePath(QStringLiteral("p.png"));
        Run run = Plot({path, "--marks", marksPath, "--overlay", "TP2", "--scale-row", "3",
                        "--size", size, "-o", png});
        QCOMPARE(run.status, 0);
        QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32), g.iImg);
        run = Plot({path, "--marks", marksPath, "--json"});
        QCOMPARE(run.status, 0);
        const QList<QJsonObject> items = Objects(run.out);
        QCOMPARE(OfRole(items, QStringLiteral("test-band")).size(), 2);
        QCOMPARE(OfRole(items, QStringLiteral("test-mark")).size(), 3);
        QStringList labels;
        for (const QJsonObject& o : OfRole(items, QStringLiteral("test-label")))
            labels << o.value("text").toString();
        QCOMPARE(labels, (QStringList{"Пуск", "И1", "Дым"}));
        QVERIFY(!OfRole(items, QStringLiteral("violation")).isEmpty());
        // A damaged marks file is refused like a damaged table file.
        run = Plot({path, "--marks", Write(dir, QStringLiteral("bad.txt"), "x\r\n"), "--json"});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("Файл испытания повреждён (line 1)")),
                 qPrintable(run.err));
    }

    void jsonDescribesEveryPrimitive() {
        QTemporaryDir dir;
        const QString path = Write(dir, QStringLiteral("t.txt"), TableFile(120));
        const Run run = Plot({path, "--json", "--overlay", "TP2", "--margin-colour", "0x000000FF"});
        QCOMPARE(run.status, 0);
        const QList<QJsonObject> items = Objects(run.out);
        QVERIFY(!items.isEmpty());
        QCOMPARE(items.first().value("kind").toString(), QStringLiteral("fill"));
        QCOMPARE(items.first().value("colour").toString(), QStringLiteral("0x000000FF"));
        QCOMPARE(items.first().value("x2").toInt(), 1064);
        QCOMPARE(items.first().value("y2").toInt(), 394);
        const auto curve = OfRole(items, QStringLiteral("curve"));
        QCOMPARE(curve.size(), 1);
        QCOMPARE(curve[0].value("points").toArray().size(), 120);
        QCOMPARE(curve[0].value("width").toInt(), 3);
        const auto overlay = OfRole(items, QStringLiteral("overlay"));
        QCOMPARE(overlay.size(), 2);
        QCOMPARE(overlay[0].value("style").toString(), QStringLiteral("dash"));
        QCOMPARE(overlay[0].value("colour").toString(), QStringLiteral("0x000000FF"));
        QCOMPARE(overlay[0].value("gap").toString(), QStringLiteral("0x00000000"));
        const auto values = OfRole(items, QStringLiteral("value-label"));
        QCOMPARE(values.first().value("text").toString(), QStringLiteral("0,000дБ/м"));
        QCOMPARE(values.first().value("anchor").toString(), QStringLiteral("middle-right"));
        QCOMPARE(values.first().value("x2").toInt(), 70);
        QCOMPARE(OfRole(items, QStringLiteral("time-label")).first().value("text").toString(),
                 QStringLiteral("1"));
        QCOMPARE(OfRole(items, QStringLiteral("axis-name")).first().value("text").toString(),
                 QStringLiteral("m"));
    }

    void viewOptionsChangeTheDescription() {
        QTemporaryDir dir;
        const QString path = Write(dir, QStringLiteral("t.txt"), TableFile(300));
        Run run = Plot({path, "--json", "--numpoint", "100", "--period", "2", "--pan", "50",
                        "--unit", "1", "--scale-row", "4", "--overlay", "TP1", "--margins", "60,30",
                        "--size", "800x300"});
        QCOMPARE(run.status, 0);
        QList<QJsonObject> items = Objects(run.out);
        const auto time = OfRole(items, QStringLiteral("time-label"));
        QCOMPARE(time.size(), 10); // 100 across: 10 divisions
        QCOMPARE(time[0].value("text").toString(), QStringLiteral("151"));   // record 150
        QCOMPARE(time[1].value("text").toString(), QStringLiteral("171 с")); // 200 s / 10
        QCOMPARE(OfRole(items, QStringLiteral("axis-name")).first().value("text").toString(),
                 QStringLiteral("k"));
        QCOMPARE(OfRole(items, QStringLiteral("value-label")).last().value("text").toString(),
                 QStringLiteral("90%"));
        QVERIFY(OfRole(items, QStringLiteral("overlay")).isEmpty()); // percent: no band
        QCOMPARE(OfRole(items, QStringLiteral("plot-area")).first().value("x1").toInt(), 60);
        QCOMPARE(OfRole(items, QStringLiteral("plot-area")).first().value("y2").toInt(), 270);
        // A template file as the overlay; the table from standard input.
        const QString templ = Write(
            dir, QStringLiteral("s.txt"),
            QByteArray("    0;  0,010\r\n   30;  0,100\r\n   60;  0,200\r\n   90;  0,300\r\n"));
        run = Plot({"-", "--json", "--template", templ}, TableFile(10));
        QCOMPARE(run.status, 0);
        items = Objects(run.out);
        const auto overlay = OfRole(items, QStringLiteral("overlay"));
        QCOMPARE(overlay.size(), 1);
        QCOMPARE(overlay[0].value("points").toArray().size(), 4);
        QCOMPARE(OfRole(items, QStringLiteral("curve"))[0].value("points").toArray().size(), 10);
    }

    void refusalsAndExitStatuses() {
        QTemporaryDir dir;
        const QString good = Write(dir, QStringLiteral("t.txt"), TableFile(5));
        const QString out = dir.filePath(QStringLiteral("p.png"));
        Run run = Plot({Write(dir, QStringLiteral("e.txt"), {}), "-o", out});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("Файл таблицы пустой")), qPrintable(run.err));
        run = Plot(
            {Write(dir, QStringLiteral("d.txt"), TableFile(3) + "12:00:09;   9\r\n"), "-o", out});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("Файл таблицы повреждён (line 4)")),
                 qPrintable(run.err));
        run = Plot({good, "--template", Write(dir, QStringLiteral("s.txt"), "    0;  0,010\r\n"),
                    "-o", out});
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains(QStringLiteral("Файл шаблона пустой")));
        QVERIFY(!QFile::exists(out));
        QCOMPARE(Plot({dir.filePath(QStringLiteral("missing.txt")), "-o", out}).status, 2);
        QCOMPARE(Plot({good, "--unit", "3", "-o", out}).status, 2);
        QCOMPARE(Plot({good, "--scale-row", "3", "--unit", "2", "-o", out}).status, 2);
        QCOMPARE(Plot({good, "--overlay", "TP6", "-o", out}).status, 2);
        QCOMPARE(Plot({good, "--back-colour", "0x01000000", "-o", out}).status, 2);
        QCOMPARE(Plot({good, "-o", dir.filePath(QStringLiteral("p.jpg"))}).status, 2);
        QCOMPARE(Plot({good}).status, 2);
        QCOMPARE(Plot({good, "--json", "-o", out}).status, 2);
        run = Plot({good, "-o", dir.filePath(QStringLiteral("no-such-folder/p.png"))});
        QCOMPARE(run.status, 3);
        QVERIFY(run.err.contains(QStringLiteral("no-such-folder")));
        QVERIFY(!QFile::exists(out));
        run = Plot({"--help"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains("vels5-plot [OPTION]... TABLE-FILE -o OUT.png|OUT.bmp"));
    }
};

VELS5_GUI_TEST_MAIN(TstPlotTool)
#include "tst_plot_tool.moc"
