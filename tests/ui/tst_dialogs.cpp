// The distance and period dialogs and the about box.
#include "test_main.h"
#include "tests/common/fake_prompts.h"
#include "ui/common/form_style.h"
#include "ui/dialogs/form_about.h"
#include "ui/dialogs/form_dist.h"
#include "ui/dialogs/form_time.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <vector>

using test::FakePrompts;
using test::Prompt;

class TstDialogs : public QObject {
    Q_OBJECT

private:
    FakePrompts m_prompts;
    std::vector<float> m_dists;
    std::vector<std::uint16_t> m_periods;

    void Enter(QLineEdit* edit, QPushButton* ok, const QString& text) {
        edit->setText(text);
        QTest::mouseClick(ok, Qt::LeftButton);
    }

private slots:
    void init() {
        m_prompts.Clear();
        m_dists.clear();
        m_periods.clear();
    }

    void distanceDialogLayout() {
        ui::TFormDist d(m_prompts, [](float) {});
        QCOMPARE(d.windowTitle(), QStringLiteral("Параметр"));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QCOMPARE(d.eDist->objectName(), QStringLiteral("eDist"));
        QCOMPARE(d.eDist->maxLength(), 5);
        QCOMPARE(d.eDist->text(), QStringLiteral("1,0"));
        QCOMPARE(d.eDist->width(), 121);
        QCOMPARE(d.bOk->objectName(), QStringLiteral("bOk"));
        QCOMPARE(d.bOk->text(), QStringLiteral("Ввод"));
        QCOMPARE(d.bOk->width(), 121);
        QVERIFY(d.bOk->font().bold());
        QCOMPARE(d.bOk->font().pixelSize(), 16);
        QCOMPARE(d.Label1->text(), QStringLiteral("Длина зоны"));
        QCOMPARE(d.Label2->text(), QStringLiteral("измерения,  м"));
        for (QLabel* l : {d.Label1, d.Label2}) {
            QVERIFY(l->font().bold());
            QCOMPARE(l->x(), d.width() / 2 - l->width() / 2);
        }
    }

    void periodDialogLayout() {
        ui::TFormTime d(m_prompts, [](std::uint16_t) {});
        QCOMPARE(d.windowTitle(), QStringLiteral("Параметр"));
        QCOMPARE(d.size(), ui::InnerSize(175, 144));
        QCOMPARE(d.ePeriod->objectName(), QStringLiteral("ePeriod"));
        QCOMPARE(d.ePeriod->maxLength(), 2);
        QCOMPARE(d.ePeriod->text(), QStringLiteral("1"));
        QCOMPARE(d.Label1->text(), QStringLiteral("Период опроса"));
        QCOMPARE(d.Label2->text(), QStringLiteral("ВЕЛС-5,   сек."));
    }

    void distanceEntries_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<float>("stored");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("corrected");
        QTest::newRow("lower limit") << "0,3" << true << 0.3f << ""
                                     << "0,3";
        QTest::newRow("upper limit") << "10" << true << 10.0f << ""
                                     << "10";
        QTest::newRow("inside") << "2,5" << true << 2.5f << ""
                                << "2,5";
        QTest::newRow("above") << "10,01" << false << 0.0f << "Больше 10 метров"
                               << "10,0";
        QTest::newRow("below") << "0,29" << false << 0.0f << "Меньше 0,3 метров"
                               << "0,3";
        QTest::newRow("negative") << "-1" << false << 0.0f << "Меньше 0,3 метров"
                                  << "0,3";
    }

    void distanceEntries() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(float, stored);
        QFETCH(QString, message);
        QFETCH(QString, corrected);
        ui::TFormDist d(m_prompts, [this](float v) { m_dists.push_back(v); });
        d.show();
        Enter(d.eDist, d.bOk, text);
        QCOMPARE(d.result() == QDialog::Accepted, accepted);
        QCOMPARE(d.eDist->text(), corrected);
        if (accepted) {
            QCOMPARE(m_dists.size(), size_t(1));
            QCOMPARE(m_dists[0], stored);
            QVERIFY(m_prompts.asked.empty());
            QVERIFY(!d.isVisible());
        } else {
            QVERIFY(m_dists.empty());
            QCOMPARE(std::ssize(m_prompts.asked), 1);
            QCOMPARE(m_prompts.asked[0].kind, Prompt::Information);
            QCOMPARE(test::Q(m_prompts.asked[0].text), message);
            QVERIFY(d.isVisible());
        }
    }

    void distanceWithAPointIsAConversionError() {
        ui::TFormDist d(m_prompts, [this](float v) { m_dists.push_back(v); });
        d.show();
        Enter(d.eDist, d.bOk, QStringLiteral("1.5"));
        QCOMPARE(std::ssize(m_prompts.asked), 1);
        QCOMPARE(m_prompts.asked[0].kind, Prompt::Error);
        QCOMPARE(test::Q(m_prompts.asked[0].caption), QStringLiteral("Error"));
        QCOMPARE(test::Q(m_prompts.asked[0].text),
                 QStringLiteral("'1.5' is not a valid floating point value"));
        QCOMPARE(d.eDist->text(), QStringLiteral("1.5"));
        QVERIFY(m_dists.empty());
        QVERIFY(d.isVisible());
        QVERIFY(d.result() != QDialog::Accepted);
    }

    void periodEntries_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("corrected");
        QTest::newRow("one") << "1" << true << 1 << ""
                             << "1";
        QTest::newRow("thirty") << "30" << true << 30 << ""
                                << "30";
        QTest::newRow("zero") << "0" << false << 0 << "Меньше 1 секунды"
                              << "1";
        QTest::newRow("minus five") << "-5" << false << 0 << "Меньше 1 секунды"
                                    << "1";
        QTest::newRow("thirty-one") << "31" << false << 0 << "Больше 30 секунд"
                                    << "30";
    }

    void periodEntries() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, stored);
        QFETCH(QString, message);
        QFETCH(QString, corrected);
        ui::TFormTime d(m_prompts, [this](std::uint16_t v) { m_periods.push_back(v); });
        d.show();
        Enter(d.ePeriod, d.bOk, text);
        QCOMPARE(d.result() == QDialog::Accepted, accepted);
        QCOMPARE(d.ePeriod->text(), corrected);
        if (accepted) {
            QCOMPARE(m_periods.size(), size_t(1));
            QCOMPARE(int(m_periods[0]), stored);
        } else {
            QVERIFY(m_periods.empty());
            QCOMPARE(test::Q(m_prompts.Texts()), QStringList{message});
        }
    }

    void emptyPeriodIsAConversionError() {
        ui::TFormTime d(m_prompts, [this](std::uint16_t v) { m_periods.push_back(v); });
        d.show();
        Enter(d.ePeriod, d.bOk, QString());
        QCOMPARE(std::ssize(m_prompts.asked), 1);
        QCOMPARE(m_prompts.asked[0].kind, Prompt::Error);
        QCOMPARE(test::Q(m_prompts.asked[0].caption), QStringLiteral("Error"));
        QCOMPARE(test::Q(m_prompts.asked[0].text),
                 QStringLiteral("'' is not a valid integer value"));
        QVERIFY(m_periods.empty());
        QVERIFY(d.isVisible());
    }

    void enterInTheFieldActsAsTheButtonOnce() {
        ui::TFormTime d(m_prompts, [this](std::uint16_t v) { m_periods.push_back(v); });
        d.show();
        d.ePeriod->clear();
        QTest::keyClicks(d.ePeriod, QStringLiteral("123"));
        QCOMPARE(d.ePeriod->text(), QStringLiteral("12")); // maximum length
        QTest::keyClick(d.ePeriod, Qt::Key_Return);
        QCOMPARE(m_periods, std::vector<std::uint16_t>{12});
        QCOMPARE(d.result(), int(QDialog::Accepted));

        ui::TFormDist dist(m_prompts, [this](float v) { m_dists.push_back(v); });
        dist.show();
        dist.eDist->setText(QStringLiteral("11"));
        QTest::keyClick(dist.eDist, Qt::Key_Enter);
        QCOMPARE(test::Q(m_prompts.Texts()), QStringList{QStringLiteral("Больше 10 метров")});
        QCOMPARE(dist.eDist->text(), QStringLiteral("10,0"));
        QTest::keyClick(dist.eDist, Qt::Key_Return); // the corrected text is confirmed again
        QCOMPARE(m_dists, std::vector<float>{10.0f});
    }

    void showingClearsTheResult() {
        ui::TFormDist d(m_prompts, [](float) {});
        d.setResult(QDialog::Accepted);
        d.show();
        QCOMPARE(d.result(), 0);
    }

    void aboutBox() {
        ui::TFormAbout about(QStringLiteral("1.2.3.4"));
        QCOMPARE(about.windowTitle(), QStringLiteral("О программе"));
        QCOMPARE(about.size(), ui::InnerSize(275, 165));
        QCOMPARE(about.minimumSize(), about.maximumSize());
        QCOMPARE(about.lTitle->text(), QStringLiteral("Монитор для ВЕЛС-5"));
        QVERIFY(about.lTitle->font().italic());
        QCOMPARE(about.lTitle->font().pixelSize(), 21);
        QCOMPARE(about.lVersion->text(), QStringLiteral("Версия 1.2.3.4"));
        QCOMPARE(about.lVersion->font().pixelSize(), 13);
        QCOMPARE(about.lVersion->x(), about.width() / 2 - about.lVersion->width() / 2);
        QCOMPARE(about.Button1->text(), QStringLiteral("Ok"));
        about.show();
        QTest::mouseClick(about.Button1, Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QCOMPARE(ui::TFormAbout(QString()).lVersion->text(), QStringLiteral("Версия 1.00"));
    }
};

VELS5_GUI_TEST_MAIN(TstDialogs)
#include "tst_dialogs.moc"
