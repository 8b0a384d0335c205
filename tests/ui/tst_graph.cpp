// The graph window's controls driven by clicks and mouse drags: toolbar and menus, time and
// value zoom, scales, overlays, pan with Shift, overlay drag, hover cursor and cursor timer.
#include "test_main.h"
#include "tests/common/fake_prompts.h"
#include "tests/core/fake_session_observer.h"
#include "ui/common/picture_box.h"
#include "ui/graph/form_graph.h"
#include "ui/main/cursors.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cmath>

namespace {

// A shown graph window on a session whose log the test fills.
struct Rig {
    test::SessionRig session;
    ui::TFormGraph g;

    explicit Rig(test::FakePrompts& prompts) : g(prompts, session.session) { g.show(); }

    // n records one period apart from T = 0, m rising by 0.001 dB/m per record.
    void Fill(int n) {
        core::RecordLog& log = session.session.Log();
        for (int i = 0; i < n; ++i) {
            core::MeasurementRecord r;
            r.T = static_cast<std::uint16_t>(i);
            r.m = 0.001f * static_cast<float>(i);
            r.Ui = 4.0f;
            log[i] = r;
        }
        log.SetCount(n);
        g.RedrawGraph();
    }
    QStringList Texts(core::PaintRole role) const {
        QStringList texts;
        for (const core::PaintItem& item : g.Paint().Items())
            if (item.role == role)
                texts << QString::fromUtf8(g.Paint().TextOf(item).data(),
                                           static_cast<qsizetype>(g.Paint().TextOf(item).size()));
        return texts;
    }
    std::vector<const core::PaintItem*> Items(core::PaintRole role) const {
        std::vector<const core::PaintItem*> items;
        for (const core::PaintItem& item : g.Paint().Items())
            if (item.role == role)
                items.push_back(&item);
        return items;
    }
    int PlotWidth() const { return g.iImg.width() - g.View.LeftMargin; }
};

Qt::CursorShape ScreenCursor() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
}

// A mouse move with no button down, as the window system sends it to a tracking widget.
void Hover(QWidget* widget, QPoint pos) {
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(widget->mapToGlobal(pos)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

QStringList ReadoutTexts(const ui::TFormGraph& g) {
    QStringList texts;
    for (const core::PaintItem& item : g.ReadoutPaint().Items())
        if (item.role == core::PaintRole::ReadoutText)
            texts << QString::fromStdString(std::string(g.ReadoutPaint().TextOf(item)));
    return texts;
}

bool HasOverrideCursor() {
    return QGuiApplication::overrideCursor() != nullptr;
}

QStringList Captions(const QList<QAction*>& actions) {
    QStringList captions;
    for (const QAction* a : actions)
        captions << (a->isSeparator() ? QStringLiteral("|") : a->text());
    return captions;
}

} // namespace

class TstGraph : public QObject {
    Q_OBJECT

private:
    test::FakePrompts m_prompts;

private slots:
    void initTestCase() { ui::RegisterCursors(); }

    void toolbarButtonsInOrderWithHints() {
        Rig rig(m_prompts);
        ui::TFormGraph& g = rig.g;
        QStringList order;
        for (QAction* a : g.ToolBar1->actions())
            order << (a->isSeparator() ? QStringLiteral("|")
                                       : g.ToolBar1->widgetForAction(a)->objectName());
        QCOMPARE(order.join(' '),
                 QStringLiteral("bbSave | bbExp bbCont bbExpY bbContY | sbDB sbPER sbV | sbTMPL "
                                "sbTP1 sbTP2 sbTP2A sbTP2B sbTP3 sbTP3A sbTP3B sbTP4 sbTP5 sbTP5A "
                                "sbTP5B | Panel1"));
        QCOMPARE(g.ToolBar1->height(), 41);
        const std::pair<QToolButton*, const char*> hints[] = {
            {g.bbSave, "Сохранить изображение"},
            {g.bbExp, "Растянуть"},
            {g.bbCont, "Сжать"},
            {g.bbExpY, "Растянуть"},
            {g.bbContY, "Сжать"},
            {g.sbDB, "Шкала в дБ"},
            {g.sbPER, "Шкала в %"},
            {g.sbV, "Шкала в В"},
            {g.OverlayButton(1), "Показать график ТП1"}};
        for (const auto& [button, hint] : hints) {
            QCOMPARE(button->toolTip(), QString::fromUtf8(hint));
            QCOMPARE(button->size(), QSize(36, 38));
            // The glyph is drawn, not blank.
            const QImage glyph = button->icon().pixmap(24, 24).toImage();
            int inked = 0;
            for (int y = 0; y < glyph.height(); ++y)
                for (int x = 0; x < glyph.width(); ++x)
                    inked += qAlpha(glyph.pixel(x, y)) > 128;
            QVERIFY2(inked > 10, qPrintable(button->objectName()));
        }
        QCOMPARE(g.sbDB->property("tag"), QVariant()); // scale buttons carry no overlay tag
        QCOMPARE(g.OverlayButton(12)->property("tag").toInt(), 12);
        QCOMPARE(g.lTime->font().pixelSize(), 16);
        QVERIFY(g.lTime->font().bold());
        QVERIFY(!g.Timer1->isActive());
        QCOMPARE(g.Timer1->interval(), 500);
    }

    void menusWithCaptionsAndTags() {
        Rig rig(m_prompts);
        ui::TFormGraph& g = rig.g;
        QCOMPARE(Captions(g.menuBar()->actions()), (QStringList{"Файл", "Вид"}));
        QCOMPARE(Captions(g.menuBar()->actions()[0]->menu()->actions()),
                 (QStringList{"Загрузить шаблон", "Сохранить", "Копировать", "Отчёт…"}));
        QCOMPARE(Captions(g.menuBar()->actions()[1]->menu()->actions()),
                 (QStringList{"Ось X", "Ось Y", "Шкала", "Тестовый пожар", "Цвет"}));
        const std::tuple<QAction*, const char*, const char*, int> items[] = {
            {g.miSizeXExp, "miSizeXExp", "Растянуть", 1},
            {g.miSizeXCont, "miSizeXCont", "Сжать", -1},
            {g.miSizeXExpY, "miSizeXExpY", "Растянуть", 1},
            {g.miSizeXContY, "miSizeXContY", "Сжать", -1},
            {g.miAutoY, "miAutoY", "Авто", 0},
            {g.miDB, "miDB", "Шкала dB", 1},
            {g.miPER, "miPER", "Шкала %", 2},
            {g.miV, "miV", "Шкала V", 3},
            {g.miGrid, "miGrid", "Сетка", 0},
            {g.miBack, "miBack", "Фон", 0},
            {g.miScale, "miScale", "Шкала", 0},
            {g.miGrap, "miGrap", "График", 0},
            {g.miFont, "miFont", "Шрифт", 0},
            {g.mSave, "mSave", "Сохранить", 0},
            {g.miCopy, "miCopy", "Копировать", 0},
            {g.miLoadTempl, "miLoadTempl", "Загрузить шаблон", 0}};
        for (const auto& [action, name, caption, tag] : items) {
            QCOMPARE(action->objectName(), QString::fromLatin1(name));
            QCOMPARE(action->text(), QString::fromUtf8(caption));
            QCOMPARE(action->data().toInt(), tag);
        }
        QVERIFY(g.miDB->isChecked());
        g.miV->trigger();
        QVERIFY(g.miV->isChecked());
        QVERIFY(!g.miDB->isChecked()); // a radio group
    }

    void zoomByClicks() {
        Rig rig(m_prompts);
        ui::TFormGraph& g = rig.g;
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(g.bbExp, Qt::LeftButton);
        QCOMPARE(g.View.NumPoint, std::int16_t(25));
        QVERIFY(!g.bbExp->isEnabled());
        QVERIFY(!g.miSizeXExp->isEnabled());
        QCOMPARE(rig.Texts(core::PaintRole::TimeLabel).last(), QStringLiteral("22 с"));
        g.miSizeXCont->trigger(); // the menu item does the same as the button
        QVERIFY(g.bbExp->isEnabled());
        for (int i = 0; i < 6; ++i)
            QTest::mouseClick(g.bbCont, Qt::LeftButton);
        QCOMPARE(g.View.NumPoint, std::int16_t(3200));
        QVERIFY(!g.miSizeXCont->isEnabled());
        QCOMPARE(rig.Texts(core::PaintRole::TimeLabel).last(), QStringLiteral("2800 с"));
        // Value zoom: each scale keeps its own row.
        QTest::mouseClick(g.bbExpY, Qt::LeftButton); // dB/m row 2 -> 1
        QCOMPARE(g.YMax(), 0.1f);
        QTest::mouseClick(g.sbPER, Qt::LeftButton);
        QVERIFY(g.miPER->isChecked());
        g.miSizeXContY->trigger(); // percent row 3 -> 4, the last
        QCOMPARE(g.YMax(), 100.0f);
        QVERIFY(!g.bbContY->isEnabled());
        QTest::mouseClick(g.sbDB, Qt::LeftButton);
        QCOMPARE(g.YMax(), 0.1f);
        QVERIFY(g.bbContY->isEnabled());
    }

    void autoScaleFollowsTheCurveUntilAZoomButton() {
        Rig rig(m_prompts);
        ui::TFormGraph& g = rig.g;
        QVERIFY(!g.sbAutoY->isChecked());
        QVERIFY(g.sbAutoY->isCheckable() && g.miAutoY->isCheckable());
        QCOMPARE(g.sbAutoY->text(), QStringLiteral("Авто"));
        QVERIFY(g.sbAutoY->isVisible()); // in the label panel, which still fits
        QVERIFY(g.Panel1->isVisible());
        rig.Fill(300); // up to 0,299 dB/m: over the top of row 2 (0 to 0,25)
        QCOMPARE(g.YMax(), 0.25f);
        QTest::mouseClick(g.sbAutoY, Qt::LeftButton);
        QVERIFY(g.View.AutoY);
        QVERIFY(g.miAutoY->isChecked());
        QCOMPARE(g.View.NScaleDB, std::int16_t(3));
        QCOMPARE(g.YMax(), 0.5f);
        // A vertical zoom button ends "Авто" and steps from the row it chose.
        QTest::mouseClick(g.bbContY, Qt::LeftButton);
        QVERIFY(!g.View.AutoY);
        QVERIFY(!g.sbAutoY->isChecked());
        QVERIFY(!g.miAutoY->isChecked());
        QCOMPARE(g.View.NScaleDB, std::int16_t(4));
        rig.session.session.ResetLog();
        rig.Fill(30); // up to 0,029 dB/m: the row stays while "Авто" is off
        QCOMPARE(g.View.NScaleDB, std::int16_t(4));
        g.miAutoY->trigger();
        QVERIFY(g.sbAutoY->isChecked());
        QCOMPARE(g.View.NScaleDB, std::int16_t(0));
        QCOMPARE(g.YMax(), 0.05f);
        QVERIFY(!g.bbExpY->isEnabled()); // the zoom controls follow the row chosen
        QVERIFY(!g.miSizeXExpY->isEnabled());
        QVERIFY(g.bbContY->isEnabled());
        QTest::mouseClick(g.bbExpY, Qt::LeftButton); // disabled: "Авто" stays on
        QVERIFY(g.View.AutoY);
    }

    void overlayButtonsAndMenuItems() {
        Rig rig(m_prompts);
        ui::TFormGraph& g = rig.g;
        QTest::mouseClick(g.OverlayButton(2), Qt::LeftButton);
        QCOMPARE(g.View.bVeiwTP, std::int8_t(2));
        QVERIFY(g.OverlayAction(2)->isChecked());
        QCOMPARE(rig.Items(core::PaintRole::Overlay).size(), std::size_t(2));
        g.Mouse.ShiftTP = 30;
        QTest::mouseClick(g.OverlayButton(7), Qt::LeftButton); // ТП2Б
        QCOMPARE(g.Mouse.ShiftTP, std::int16_t(0));
        QVERIFY(!g.OverlayButton(2)->isChecked());
        QVERIFY(g.OverlayButton(7)->isChecked());
        QTest::mouseClick(g.OverlayButton(7), Qt::LeftButton); // released: "Убрать ТП"
        QCOMPARE(g.View.bVeiwTP, std::int8_t(0));
        QVERIFY(g.OverlayAction(0)->isChecked());
        for (int id = 1; id <= 12; ++id)
            QVERIFY(!g.OverlayButton(id)->isChecked());
        QVERIFY(rig.Items(core::PaintRole::Overlay).empty());
        // The template button stays disabled until a template is loaded.
        QTest::mouseClick(g.OverlayButton(10), Qt::LeftButton);
        QCOMPARE(g.View.bVeiwTP, std::int8_t(0));
        g.OverlayAction(10)->trigger(); // "Показать шаблон" with nothing loaded
        QCOMPARE(g.View.bVeiwTP, std::int8_t(10));
        QVERIFY(g.OverlayAction(10)->isChecked());
        QVERIFY(rig.Items(core::PaintRole::Overlay).empty());
        // A template loaded afterwards is drawn at the next redraw.
        g.Template.TemplatePoints = {{0, 0.0f}, {60, 0.1f}, {120, 0.2f}};
        g.Template.NTempl = 3;
        QVERIFY(rig.Items(core::PaintRole::Overlay).empty());
        g.RedrawGraph();
        QCOMPARE(rig.Items(core::PaintRole::Overlay).size(), std::size_t(1));
        // Other scales keep the choice but draw nothing; back in dB/m it returns.
        QTest::mouseClick(g.sbV, Qt::LeftButton);
        QVERIFY(rig.Items(core::PaintRole::Overlay).empty());
        QCOMPARE(g.View.bVeiwTP, std::int8_t(10));
        QTest::mouseClick(g.sbDB, Qt::LeftButton);
        QCOMPARE(rig.Items(core::PaintRole::Overlay).size(), std::size_t(1));
    }

    void panWithShiftStopsAtTheOldestRecord() {
        Rig rig(m_prompts);
        ui::TFormGraph& g = rig.g;
        rig.Fill(300);
        QCOMPARE(rig.Texts(core::PaintRole::TimeLabel).first(), QStringLiteral("100"));
        QTest::mousePress(g.iDisplay, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 100));
        QVERIFY(g.Mouse.bPan);
        QCOMPARE(ScreenCursor(), Qt::ClosedHandCursor);
        // Dragging right by a quarter of the plot shows records 50 periods older.
        const int quarter = (rig.PlotWidth() + 3) / 4;
        QTest::mouseMove(g.iDisplay, QPoint(100 + quarter, 100));
        QCOMPARE(g.Mouse.PanDrag, 50);
        QCOMPARE(rig.Texts(core::PaintRole::TimeLabel).first(), QStringLiteral("50"));
        QTest::mouseMove(g.iDisplay, QPoint(100 + 3 * quarter, 100)); // past the oldest
        QCOMPARE(g.Mouse.PanDrag, 50);
        QTest::mouseRelease(g.iDisplay, Qt::LeftButton, Qt::ShiftModifier,
                            QPoint(100 + 3 * quarter, 100));
        QVERIFY(!g.Mouse.bPan);
        QCOMPARE(g.Mouse.PanPoints, 50);
        QVERIFY(!HasOverrideCursor());
        QVERIFY(!g.Cursor.reference); // a drag is no click
        // The pan persists over new records; the readout shows the newest.
        rig.Fill(310);
        QCOMPARE(rig.Texts(core::PaintRole::TimeLabel).first(), QStringLiteral("60"));
        QCOMPARE(g.lVal->text(), QStringLiteral("m=0,309 дБ/м"));
    }

    void aNewLogIsShownToItsNewestRecord() {
        Rig rig(m_prompts);
        ui::TFormGraph& g = rig.g;
        rig.Fill(300);
        const int quarter = (rig.PlotWidth() + 3) / 4;
        QTest::mousePress(g.iDisplay, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 100));
        QTest::mouseMove(g.iDisplay, QPoint(100 + quarter, 100));
        QTest::mouseRelease(g.iDisplay, Qt::LeftButton, Qt::ShiftModifier,
                            QPoint(100 + quarter, 100));
        QCOMPARE(g.Mouse.PanPoints, 50);
        // A restart empties the log; the new one is drawn up to its newest record, not left
        // 50 records short of it by the old log's pan.
        rig.session.session.ResetLog();
        rig.Fill(260);
        QCOMPARE(g.Mouse.PanPoints, 0);
        QCOMPARE(rig.Texts(core::PaintRole::TimeLabel).first(), QStringLiteral("60"));
        const auto curve = rig.Items(core::PaintRole::Curve);
        QCOMPARE(curve.size(), std::size_t(1));
        // Record 259 at 199 periods from the left edge.
        QCOMPARE(g.Paint().PointsOf(*curve[0]).back().x,
                 g.View.LeftMargin + 199 * rig.PlotWidth() / 200);
    }

    void readoutFollowsTheMouseAndAClickSetsTheReference() {
        Rig rig(m_prompts);
        ui::TFormGraph& g = rig.g;
        rig.Fill(150);
        const QImage drawn = g.iImg;
        Hover(g.iDisplay, QPoint(400, 100));
        const QStringList box = ReadoutTexts(g);
        const int record = static_cast<int>(std::lround(325.0 * 200 / rig.PlotWidth()));
        QVERIFY2(!box.isEmpty() && box[0].startsWith(QStringLiteral("T=%1 с").arg(record)),
                 qPrintable(box.join(" | ")));
        QCOMPARE(box[2], QStringLiteral("m=%1 дБ/м")
                             .arg(QString::number(record * 0.001, 'f', 3).replace('.', ',')));
        QCOMPARE(g.iImg, drawn);                 // what is saved stays as drawn
        QVERIFY(g.iDisplay->Picture() != drawn); // the box is shown over it
        // A click sets the reference; the box then gives the difference from it.
        QTest::mouseClick(g.iDisplay, Qt::LeftButton, Qt::NoModifier, QPoint(400, 100));
        QCOMPARE(g.Cursor.reference, std::optional<int>(record));
        const int later = 400 + rig.PlotWidth() / 10; // about 20 s later
        const int dt =
            static_cast<int>(std::lround((later - 75.0) * 200 / rig.PlotWidth())) - record;
        QVERIFY(dt >= 19 && dt <= 21);
        Hover(g.iDisplay, QPoint(later, 100));
        QCOMPARE(ReadoutTexts(g).value(3), QStringLiteral("Δt=+%1 с (00:%1)").arg(dt));
        QCOMPARE(ReadoutTexts(g).value(4), QStringLiteral("Δm=+0,0%1 дБ/м").arg(dt));
        // Esc clears it; leaving the picture takes the box away.
        QTest::keyClick(&g, Qt::Key_Escape);
        QVERIFY(!g.Cursor.reference);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(g.iDisplay, &leave);
        QVERIFY(g.ReadoutPaint().Items().empty());
        QCOMPARE(g.iDisplay->Picture(), drawn);
        // A click in the margin sets nothing.
        QTest::mouseClick(g.iDisplay, Qt::LeftButton, Qt::NoModifier, QPoint(40, 100));
        QVERIFY(!g.Cursor.reference);
    }

    void shiftPressStartsNoPanWhenAllRecordsFit() {
        Rig rig(m_prompts);
        rig.Fill(200);
        QTest::mousePress(rig.g.iDisplay, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 100));
        QVERIFY(!rig.g.Mouse.bPan);
        QVERIFY(!HasOverrideCursor());
        QTest::mouseRelease(rig.g.iDisplay, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 100));
    }

    void overlayDragAndHoverCursors() {
        Rig rig(m_prompts);
        ui::TFormGraph& g = rig.g;
        Hover(g.iDisplay, QPoint(300, 100));
        QVERIFY(!HasOverrideCursor()); // no overlay: no hand
        QTest::mouseClick(g.OverlayButton(1), Qt::LeftButton);
        Hover(g.iDisplay, QPoint(310, 100));
        QCOMPARE(ScreenCursor(), Qt::OpenHandCursor);
        QVERIFY(g.Timer1->isActive());
        QTest::mousePress(g.iDisplay, Qt::LeftButton, Qt::NoModifier, QPoint(300, 100));
        QCOMPARE(ScreenCursor(), Qt::ClosedHandCursor);
        QTest::mouseMove(g.iDisplay, QPoint(350, 120));
        QCOMPARE(g.Mouse.ShiftTP, std::int16_t(50));
        const core::PaintItem* upper = rig.Items(core::PaintRole::Overlay).front();
        QCOMPARE(g.Paint().PointsOf(*upper).front().x, g.View.LeftMargin + 50);
        QTest::mouseMove(g.iDisplay, QPoint(200, 120)); // would be -100
        QCOMPARE(g.Mouse.ShiftTP, std::int16_t(50));
        QTest::mouseRelease(g.iDisplay, Qt::LeftButton, Qt::NoModifier, QPoint(200, 120));
        QVERIFY(!g.Mouse.bDragTP);
        QVERIFY(!HasOverrideCursor());
        Hover(g.iDisplay, QPoint(310, 100));
        Hover(g.iDisplay, QPoint(20, 100)); // the left margin
        QVERIFY(!HasOverrideCursor());
        QVERIFY(!g.Timer1->isActive());
        Hover(g.iDisplay, QPoint(310, 100));
        Hover(g.ToolBar1, QPoint(5, 5));
        QVERIFY(!HasOverrideCursor());
    }

    void cursorTimerRestoresTheDefaultOnceTheMouseHasLeft() {
        Rig rig(m_prompts);
        ui::TFormGraph& g = rig.g;
        QTest::mouseClick(g.OverlayButton(1), Qt::LeftButton);
        Hover(g.iDisplay, QPoint(300, 100));
        QCOMPARE(ScreenCursor(), Qt::OpenHandCursor);
        // Still over the plot at the tick: the timer goes on.
        QCursor::setPos(g.iDisplay->mapToGlobal(QPoint(300, 100)));
        g.Timer1Timer();
        QVERIFY(g.Timer1->isActive());
        QCOMPARE(ScreenCursor(), Qt::OpenHandCursor);
        // Gone without a move event over the toolbar or the form: the next tick restores it.
        QCursor::setPos(g.iDisplay->mapToGlobal(QPoint(-200, -200)));
        QTRY_VERIFY(!HasOverrideCursor());
        QVERIFY(!g.Timer1->isActive());
    }
};

VELS5_GUI_TEST_MAIN(TstGraph)
#include "tst_graph.moc"
