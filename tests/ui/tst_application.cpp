// The application level: exceptions from handlers, timers and the serial component are shown
// and the program goes on; Qt's standard buttons and dialogs speak Russian.
#include "comm/va_component.h"
#include "fake_prompts.h"
#include "test_main.h"

#include <QTimer>
#include <stdexcept>

using test::FakePrompts;
using test::Prompt;

class TstApplication : public QObject {
    Q_OBJECT

private:
    FakePrompts m_prompts;
    static ui::Application& App() { return *static_cast<ui::Application*>(qApp); }

private slots:
    void init() {
        m_prompts.Clear();
        App().SetPrompts(&m_prompts);
    }
    void cleanup() { App().SetPrompts(nullptr); }

    void exceptionsInTimersAreShownAndTheProgramGoesOn() {
        QTimer::singleShot(0, [] {
            throw comm::EVaCommError("Output buffer is full. Please check comm status.");
        });
        QTRY_COMPARE(m_prompts.asked.size(), 1);
        QCOMPARE(m_prompts.asked[0].kind, Prompt::Error);
        QCOMPARE(m_prompts.asked[0].caption, QStringLiteral("Error"));
        QCOMPARE(m_prompts.asked[0].text,
                 QStringLiteral("Output buffer is full. Please check comm status."));
        // Any other exception goes to the general error box.
        QTimer::singleShot(0, [] { throw std::runtime_error("Cannot open file x.txt"); });
        QTRY_COMPARE(m_prompts.asked.size(), 2);
        QCOMPARE(m_prompts.asked[1].caption, QStringLiteral("Monitor VELS5"));
        QCOMPARE(m_prompts.asked[1].text, QStringLiteral("Cannot open file x.txt"));
        QTimer::singleShot(0, [] { throw 42; });
        QTRY_COMPARE(m_prompts.asked.size(), 3);
        QCOMPARE(m_prompts.asked[2].text, QStringLiteral("Unknown exception"));
        // Events keep coming.
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        QTRY_VERIFY(ran);
    }

    void exceptionsReportedByTheSerialComponentAreShown() {
        comm::ApplicationHandleException(
            std::make_exception_ptr(comm::EVaCommError("Error reading port properties")));
        QCOMPARE(m_prompts.asked.size(), 0); // shown once the current handler is over
        QTRY_COMPARE(m_prompts.asked.size(), 1);
        QCOMPARE(m_prompts.asked[0].caption, QStringLiteral("Error"));
        QCOMPARE(m_prompts.asked[0].text, QStringLiteral("Error reading port properties"));
    }

    void anErrorWhileABoxIsOpenDoesNotOpenAnother() {
        m_prompts.onAsk = [](const Prompt&) {
            comm::ApplicationHandleException(std::make_exception_ptr(std::runtime_error("2")));
            QCoreApplication::processEvents(); // the box's own event loop
        };
        comm::ApplicationHandleException(std::make_exception_ptr(std::runtime_error("1")));
        QTRY_COMPARE(m_prompts.asked.size(), 1);
        m_prompts.onAsk = nullptr;
        QCoreApplication::processEvents();
        QCOMPARE(m_prompts.asked.size(), 1);
        QCOMPARE(m_prompts.asked[0].text, QStringLiteral("1"));
    }
};

VELS5_GUI_TEST_MAIN(TstApplication)
#include "tst_application.moc"
