// The application level: exceptions from handlers, timers and the serial component are shown
// and the program goes on; Qt's standard buttons and dialogs read Russian.
#include "comm/va_component.h"
#include "test_main.h"
#include "tests/common/fake_prompts.h"
#include "ui/common/translations.h"
#include "ui/prompts/qt_prompts.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>

using test::FakePrompts;
using test::Prompt;

class TstApplication : public QObject {
    Q_OBJECT

private:
    FakePrompts m_prompts;
    static ui::Application& App() { return *static_cast<ui::Application*>(qApp); }
    static QString Plain(QString text) { return text.remove(QLatin1Char('&')); }
    static QStringList ButtonTexts(const QWidget& dialog) {
        QStringList texts;
        for (const QDialogButtonBox* box : dialog.findChildren<QDialogButtonBox*>())
            for (const QAbstractButton* b : box->buttons())
                texts << Plain(b->text());
        return texts;
    }

private slots:
    void initTestCase() { QVERIFY(ui::InstallQtTranslations(*qApp)); }

    void standardButtonsAndDialogsReadRussian() {
        QMessageBox box(QMessageBox::Question, QString(), QStringLiteral("Сохранить данные?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(Plain(box.button(QMessageBox::Yes)->text()), QStringLiteral("Да"));
        QCOMPARE(Plain(box.button(QMessageBox::No)->text()), QStringLiteral("Нет"));
        QCOMPARE(Plain(box.button(QMessageBox::Cancel)->text()), QStringLiteral("Отмена"));
        QFileDialog save;
        core::FileDialogOptions options;
        options.title = "Сохранить таблицу";
        options.filter = "TXT (*.txt)|*.txt|all (*.*)|*.*";
        ui::QtPrompts::ConfigureFileDialog(save, options, true);
        QVERIFY2(ButtonTexts(save).contains(QStringLiteral("Сохранить")),
                 qPrintable(ButtonTexts(save).join(' ')));
        QVERIFY(ButtonTexts(save).contains(QStringLiteral("Отмена")));
        QCOMPARE(Plain(save.labelText(QFileDialog::FileName)), QStringLiteral("Имя файла:"));
        QColorDialog colour;
        colour.setOption(QColorDialog::DontUseNativeDialog);
        QVERIFY(ButtonTexts(colour).contains(QStringLiteral("Отмена")));
        QStringList labels;
        for (const QLabel* l : colour.findChildren<QLabel*>())
            labels << Plain(l->text());
        QVERIFY2(labels.contains(QStringLiteral("Основные цвета")), qPrintable(labels.join(' ')));
    }

    void withoutADisplayTheProgramSaysSoAndEnds() {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(VELS5_APP), QStringList());
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit); // not Qt's abort
        QCOMPARE(program.exitCode(), 1);
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(err.startsWith(QStringLiteral("vels5: no graphical session")), qPrintable(err));
        QVERIFY(err.contains(QStringLiteral("xvfb-run -a vels5")));
    }

    void init() {
        m_prompts.Clear();
        App().SetPrompts(&m_prompts);
    }
    void cleanup() { App().SetPrompts(nullptr); }

    void exceptionsInTimersAreShownAndTheProgramGoesOn() {
        QTimer::singleShot(0, [] {
            throw comm::EVaCommError("Output buffer is full. Please check comm status.");
        });
        QTRY_COMPARE(std::ssize(m_prompts.asked), 1);
        QCOMPARE(m_prompts.asked[0].kind, Prompt::Error);
        QCOMPARE(test::Q(m_prompts.asked[0].caption), QStringLiteral("Error"));
        QCOMPARE(test::Q(m_prompts.asked[0].text),
                 QStringLiteral("Output buffer is full. Please check comm status."));
        // Any other exception goes to the general error box.
        QTimer::singleShot(0, [] { throw std::runtime_error("Cannot open file x.txt"); });
        QTRY_COMPARE(std::ssize(m_prompts.asked), 2);
        QCOMPARE(test::Q(m_prompts.asked[1].caption), QStringLiteral("Monitor VELS5"));
        QCOMPARE(test::Q(m_prompts.asked[1].text), QStringLiteral("Cannot open file x.txt"));
        QTimer::singleShot(0, [] { throw 42; });
        QTRY_COMPARE(std::ssize(m_prompts.asked), 3);
        QCOMPARE(test::Q(m_prompts.asked[2].text), QStringLiteral("Unknown exception"));
        // Events keep coming.
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        QTRY_VERIFY(ran);
    }

    void exceptionsReportedByTheSerialComponentAreShown() {
        comm::ApplicationHandleException(
            std::make_exception_ptr(comm::EVaCommError("Error reading port properties")));
        QCOMPARE(std::ssize(m_prompts.asked), 0); // shown once the current handler is over
        QTRY_COMPARE(std::ssize(m_prompts.asked), 1);
        QCOMPARE(test::Q(m_prompts.asked[0].caption), QStringLiteral("Error"));
        QCOMPARE(test::Q(m_prompts.asked[0].text), QStringLiteral("Error reading port properties"));
    }

    void anErrorWhileABoxIsOpenDoesNotOpenAnother() {
        m_prompts.onAsk = [](const Prompt&) {
            comm::ApplicationHandleException(std::make_exception_ptr(std::runtime_error("2")));
            QCoreApplication::processEvents(); // the box's own event loop
        };
        comm::ApplicationHandleException(std::make_exception_ptr(std::runtime_error("1")));
        QTRY_COMPARE(std::ssize(m_prompts.asked), 1);
        m_prompts.onAsk = nullptr;
        QCoreApplication::processEvents();
        QCOMPARE(std::ssize(m_prompts.asked), 1);
        QCOMPARE(test::Q(m_prompts.asked[0].text), QStringLiteral("1"));
    }
};

VELS5_GUI_TEST_MAIN(TstApplication)
#include "tst_application.moc"
