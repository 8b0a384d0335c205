// The main window on a real serial line: a pseudo-terminal registered in the port map stands
// for the meter. Opening, frames into the panels, recording switch, restart, watchdog, a
// vanished device and a port that cannot be opened.
#include "app_rig.h"
#include "comm/va_comm.h"
#include "core/link/link_protocol.h"
#include "core/link/status_area.h"
#include "pty_device.h"
#include "test_main.h"
#include "tests/common/status_frame.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using core::PromptAnswer;
using core::mode_bit::kWork;
using test::Prompt;
using test::PtyDevice;
using test::StatusFrame;

class TstMainLink : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::MeterRig> m_rig;

    ui::TForm1& Form() { return *m_rig->form1; }
    test::FakePrompts& Prompts() { return m_rig->prompts; }

    void Feed(const std::vector<std::uint8_t>& bytes, std::uint32_t frames = 1) {
        m_rig->Feed(bytes, frames);
    }

    // What the program has sent so far and not yet read: a marker queued through the same
    // port now comes after everything the program wrote before.
    std::vector<std::uint8_t> SentSoFar() {
        const std::vector<std::uint8_t> marker{0x7E, 0x81, 0x7E, 0x42};
        Form().Comm().WriteBuf(marker.data(), static_cast<int>(marker.size()));
        std::vector<std::uint8_t> sent = m_rig->pty.ReadUntil(marker);
        return sent;
    }

    void OpenCom12() { m_rig->OpenMeterPort(); }

    void MakeRecord() { m_rig->Record(0.25f); }

private slots:
    void init() {
        m_rig = std::make_unique<test::MeterRig>();
        QVERIFY(m_rig->registered);
        m_rig->form1->show();
    }
    void cleanup() { m_rig.reset(); }

    void openingAPortFromThePopup() {
        ui::TForm1& f = Form();
        OpenCom12();
        QCOMPARE(f.Comm().DeviceName(), std::string("\\\\.\\COM12"));
        QVERIFY(f.Comm().Active());
        QVERIFY(f.PortItem(12)->isChecked());
        QVERIFY(!f.TxOff->isChecked());
        QVERIFY(f.TxOff->isEnabled());
        QVERIFY(f.Timer2->isActive());
        QVERIFY(!f.Timer1->isActive());
        QVERIFY(f.miLink->isEnabled());
        QCOMPARE(f.miLink->text(), QStringLiteral("Запретить запись"));
        QVERIFY(f.bbEnRec->isEnabled());
        QVERIFY(!f.bbRestart->isEnabled());
        QVERIFY(!m_rig->tabl->bbLoadTab->isEnabled());
        QVERIFY(!m_rig->tabl->miLoadTab->isEnabled());
        // The line settings the meter needs.
        QCOMPARE(f.Comm().Baudrate(), comm::br38400);
        QCOMPARE(f.Comm().Databits(), comm::db8);
        QCOMPARE(f.Comm().Parity(), comm::paNone);
        QCOMPARE(f.Comm().Stopbits(), comm::sb1);
        QCOMPARE(f.Comm().FlowControl().ControlDtr(), comm::dtrDisabled);
        QCOMPARE(f.Comm().FlowControl().ControlRts(), comm::rtsDisabled);
        QVERIFY(!f.Comm().FlowControl().OutCtsFlow());
        QVERIFY(!f.Comm().FlowControl().XonXoffIn());
        QVERIFY(!f.Comm().DirectWrite());
        QVERIFY(Prompts().asked.empty());

        f.TxOff->trigger();
        QVERIFY(!f.Comm().Active());
        QCOMPARE(f.StatusPanel0->text(), QStringLiteral("Выкл"));
        QVERIFY(f.TxOff->isChecked());
        QVERIFY(!f.TxOff->isEnabled());
        QVERIFY(!f.Timer2->isActive());
        QVERIFY(!f.miLink->isEnabled());
        QVERIFY(!f.bbEnRec->isEnabled());
        QVERIFY(m_rig->tabl->bbLoadTab->isEnabled());
    }

    void updateWithAPortOpenClosesItAndAllowsLoading() {
        ui::TForm1& f = Form();
        OpenCom12();
        QVERIFY(!m_rig->tabl->bbLoadTab->isEnabled());
        f.Update1->trigger();
        QVERIFY(!f.Comm().Active());
        QCOMPARE(f.StatusPanel0->text(), QStringLiteral("Выкл"));
        QVERIFY(f.TxOff->isChecked());
        QVERIFY(!f.TxOff->isEnabled());
        QVERIFY(m_rig->tabl->bbLoadTab->isEnabled());
        QVERIFY(m_rig->tabl->miLoadTab->isEnabled());
        // The recording controls keep their state; the list is rebuilt with COM12 in it.
        QVERIFY(f.miLink->isEnabled());
        QVERIFY(f.bbEnRec->isEnabled());
        QVERIFY(f.PortItem(12));
        QVERIFY(!f.PortItem(12)->isChecked());
        QVERIFY(Prompts().asked.empty());
    }

    void framesReachThePanels() {
        ui::TForm1& f = Form();
        OpenCom12();
        Feed(StatusFrame(kWork, 1.234f, 0.5f));
        QVERIFY(f.pWork->isVisible());
        QVERIFY(!f.pStart->isVisible());
        QCOMPARE(f.lUi->text(), QStringLiteral("Ui=1,234В"));
        QCOMPARE(f.lDi->text(), QStringLiteral("Di=0,500дБ"));
        QCOMPARE(f.lUi->x(), f.pWork->width() / 2 - f.lUi->width() / 2);
        QVERIFY(f.bbRestart->isEnabled());
        QVERIFY(f.Timer1->isActive());
        // Two frames in one write, the second a fault of the photodetector.
        std::vector<std::uint8_t> both = StatusFrame(kWork, 2.0f, 0.1f);
        const auto fault = StatusFrame(kWork, 2.0f, 0.1f, 0x08);
        both.insert(both.end(), fault.begin(), fault.end());
        Feed(both, 2);
        QVERIFY(f.pError->isVisible());
        QVERIFY(!f.pWork->isVisible());
        QCOMPARE(f.lErMode->text(), QStringLiteral("Измерение"));
        QCOMPARE(f.lErBF->text(), QStringLiteral("Уровень сигнала меньше нормы"));
        QVERIFY(!f.lErBI->isVisible());
        // Adjustment: the pictures follow Ui.
        Feed(StatusFrame(core::mode_bit::kAdjustment, 2.0f, 0.0f));
        QVERIFY(f.pAdjust->isVisible());
        QVERIFY(f.iSQ3->isVisible());
        QVERIFY(!f.iSQ1->isVisible());
        QCOMPARE(f.lUa->text(), QStringLiteral("2,000В"));
        QVERIFY(!f.bbRestart->isEnabled());
    }

    void restartSendsTheRestartFrame() {
        ui::TForm1& f = Form();
        OpenCom12();
        Feed(StatusFrame(kWork, 1.0f, 0.5f));
        QTest::mouseClick(f.bbRestart, Qt::LeftButton);
        QCOMPARE(m_rig->pty.Read(4), (std::vector<std::uint8_t>{0xC0, 0x22, 0x00, 0xEE}));
        QVERIFY(!f.Timer1->isActive());
        QVERIFY(Prompts().asked.empty()); // an empty log is not offered for saving
    }

    void restartAnswers() {
        ui::TForm1& f = Form();
        OpenCom12();
        MakeRecord();
        QCOMPARE(f.Session().Log().Count(), 1);
        // Cancel: nothing happens, nothing is sent.
        Prompts().answers.push_back(PromptAnswer::Cancel);
        f.bbRestartClick();
        QCOMPARE(test::Q(Prompts().Texts()), QStringList{QStringLiteral("Сохранить данные?")});
        QCOMPARE(Prompts().asked[0].buttons, core::PromptButtons::YesNoCancel);
        QCOMPARE(test::Q(Prompts().asked[0].caption), QString());
        QCOMPARE(f.Session().Log().Count(), 1);
        QVERIFY(SentSoFar().empty());
        // Yes, then a file that exists and "No" to replacing it: nothing happens either.
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/log.txt");
        QFile(path).open(QIODevice::WriteOnly);
        Prompts().Clear();
        Prompts().answers.push_back(PromptAnswer::Yes);
        Prompts().answers.push_back(PromptAnswer::No);
        Prompts().fileNames.push_back(test::ToUtf8(path));
        f.bbRestartClick();
        QCOMPARE(test::Q(Prompts().Texts()), (QStringList{"Сохранить данные?", "Сохранить таблицу",
                                                          "Файл существует, заменить?"}));
        QCOMPARE(test::Q(Prompts().asked[1].file.defaultSuffix), QStringLiteral("txt"));
        QCOMPARE(test::Q(Prompts().asked[1].file.filter),
                 QStringLiteral("TXT (*.txt)|*.txt|all (*.*)|*.*"));
        QCOMPARE(f.Session().Log().Count(), 1);
        QCOMPARE(QFileInfo(path).size(), 0);
        // Yes and a new file: the log is written, emptied, and the restart goes out.
        Prompts().Clear();
        Prompts().answers.push_back(PromptAnswer::Yes);
        const QString fresh = dir.path() + QStringLiteral("/fresh.txt");
        Prompts().fileNames.push_back(test::ToUtf8(fresh));
        f.bbRestartClick();
        QFile saved(fresh);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QVERIFY2(bytes.endsWith("\r\n"), bytes.constData());
        QCOMPARE(bytes.count("\r\n"), 1);
        QVERIFY(bytes.contains(";   4,985;   4,500;   0,250\r\n"));
        QCOMPARE(f.Session().Log().Count(), 0);
        QCOMPARE(m_rig->pty.Read(4), (std::vector<std::uint8_t>{0xC0, 0x22, 0x00, 0xEE}));
    }

    void restartThatCannotBeQueuedIsReportedAndTheProgramGoesOn() {
        ui::TForm1& f = Form();
        // The line's output is suspended before the port opens (as an XOFF would), so nothing
        // the program writes can leave its write queue.
        const int line = open(m_rig->pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(line >= 0);
        QCOMPARE(tcflow(line, TCOOFF), 0);
        const std::vector<char> block(4096, 'x');
        OpenCom12();
        Feed(StatusFrame(kWork, 1.0f, 0.5f));
        f.Comm().Buffers().WriteTimeout = 20; // ms to wait for room before giving up
        while (f.Comm().WriteBufFree() > 0)
            f.Comm().WriteBuf(block.data(), std::min<int>(4096, f.Comm().WriteBufFree()));
        QTest::mouseClick(f.bbRestart, Qt::LeftButton);
        QTRY_COMPARE(std::ssize(Prompts().asked), 1);
        QCOMPARE(Prompts().asked[0].kind, Prompt::Error);
        QCOMPARE(test::Q(Prompts().asked[0].caption), QStringLiteral("Error"));
        QCOMPARE(test::Q(Prompts().asked[0].text),
                 QStringLiteral("Output buffer is full. Please check comm status."));
        // The restart itself went on: the log is reset and the record timer stopped.
        QVERIFY(!f.Timer1->isActive());
        QCOMPARE(f.lTime->text(), QStringLiteral("Ti= 00:00:00"));
        Feed(StatusFrame(kWork, 2.0f, 0.5f));
        QCOMPARE(f.lUi->text(), QStringLiteral("Ui=2,000В"));
        f.TxOff->trigger();
        close(line);
    }

    void cancelledSaveDialogKeepsTheLog() {
        ui::TForm1& f = Form();
        OpenCom12();
        MakeRecord();
        Prompts().answers.push_back(PromptAnswer::Yes);
        Prompts().fileNames.push_back(std::nullopt);
        f.bbRestartClick();
        QCOMPARE(f.Session().Log().Count(), 1);
        QVERIFY(SentSoFar().empty());
    }

    void enteringAdjustmentStopsTheTimersBeforeAsking() {
        ui::TForm1& f = Form();
        OpenCom12();
        MakeRecord();
        QVERIFY(f.Timer1->isActive());
        QVERIFY(f.Timer2->isActive());
        int asked = 0;
        Prompts().onAsk = [&](const Prompt& p) {
            ++asked;
            QCOMPARE(test::Q(p.text), QStringLiteral("Сохранить данные?"));
            // A tick delivered by the question's modal loop must find its timer stopped.
            QVERIFY(!f.Timer1->isActive());
            QVERIFY(!f.Timer2->isActive());
        };
        Prompts().answers.push_back(PromptAnswer::No);
        Feed(StatusFrame(core::mode_bit::kAdjustment, 2.0f, 0.0f));
        Prompts().onAsk = nullptr;
        QCOMPARE(asked, 1);
        QVERIFY(f.pAdjust->isVisible());
        QVERIFY(!f.pStart->isVisible());
        QVERIFY(!f.Timer1->isActive());
        QVERIFY(f.Timer2->isActive()); // watched again once the log is reset
        QCOMPARE(f.Session().Log().Count(), 0);
    }

    void enteringAdjustmentJournalsALogWhoseSaveDidNotHappen() {
        ui::TForm1& f = Form();
        m_rig->tabl->show();
        OpenCom12();
        MakeRecord();
        QCOMPARE(m_rig->tabl->ListBox1->count(), 1);
        Prompts().answers.push_back(PromptAnswer::Yes);
        Prompts().fileNames.push_back(std::nullopt); // the save dialog is cancelled
        Feed(StatusFrame(core::mode_bit::kAdjustment, 2.0f, 0.0f));
        QCOMPARE(f.Session().Log().Count(), 0);
        QCOMPARE(m_rig->tabl->ListBox1->count(), 0);
        // The live journal already holds the log: the user is pointed at it, and it is
        // closed with its marker; no second copy is written.
        const QStringList files = QDir(m_rig->home.JournalDir()).entryList(QDir::Files);
        QCOMPARE(files, (QStringList{QStringLiteral("2026-01-01_12-00-01.txt"),
                                     QStringLiteral("2026-01-01_12-00-01.txt.test.txt")}));
        const QString path = m_rig->home.JournalDir() + QLatin1Char('/') + files[0];
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("12:00:01;    0;   4,985;   4,500;   0,250\r\n"));
        QFile marks(path + QStringLiteral(".test.txt"));
        QVERIFY(marks.open(QIODevice::ReadOnly));
        QVERIFY(marks.readAll().endsWith("\r\n\xC7\xE0\xE2\xE5\xF0\xF8\xB8\xED\r\n"));
        QCOMPARE(test::Q(Prompts().Texts()), (QStringList{"Сохранить данные?", "Сохранить таблицу",
                                                          "Данные сохранены в журнал:\n" + path}));
        QCOMPARE(Prompts().asked.back().kind, Prompt::Information);
        m_rig->tabl->hide();
    }

    void pauseAndResume() {
        ui::TForm1& f = Form();
        OpenCom12();
        MakeRecord();
        QVERIFY(f.Timer1->isActive());
        QTest::mouseClick(f.bbEnRec, Qt::LeftButton); // down: pause
        QVERIFY(f.bbEnRec->isChecked());
        QCOMPARE(f.bbEnRec->toolTip(), QStringLiteral("Разрешить запись"));
        QCOMPARE(f.miLink->text(), QStringLiteral("Разрешить запись"));
        QVERIFY(!f.Timer1->isActive());
        QCOMPARE(f.Session().Log().Count(), 1);
        // Resume, Cancel: the button goes down again and the log stays.
        Prompts().answers.push_back(PromptAnswer::Cancel);
        QTest::mouseClick(f.bbEnRec, Qt::LeftButton);
        QVERIFY(f.bbEnRec->isChecked());
        QCOMPARE(f.miLink->text(), QStringLiteral("Разрешить запись"));
        QCOMPARE(f.Session().Log().Count(), 1);
        // Resume through the menu, No: the log is emptied, recording is on again.
        Prompts().answers.push_back(PromptAnswer::No);
        f.miLink->trigger();
        QVERIFY(!f.bbEnRec->isChecked());
        QCOMPARE(f.bbEnRec->toolTip(), QStringLiteral("Запретить запись"));
        QCOMPARE(f.miLink->text(), QStringLiteral("Запретить запись"));
        QCOMPARE(f.Session().Log().Count(), 0);
        QCOMPARE(f.lTime->text(), QStringLiteral("Ti= 00:00:00"));
        QCOMPARE(Prompts().unanswered, 0);
    }

    void recordsReachTheTableAndGraph() {
        ui::TForm1& f = Form();
        m_rig->tabl->show();
        m_rig->graph->show();
        OpenCom12();
        MakeRecord();
        MakeRecord();
        QCOMPARE(m_rig->tabl->ListBox1->count(), 2);
        QCOMPARE(m_rig->graph->lVal->text(), QStringLiteral("m=0,250 дБ/м"));
        QCOMPARE(f.lTime->text(), QStringLiteral("Ti= 00:00:01"));
        QCOMPARE(m_rig->tabl->lTime->text(), QStringLiteral("Ti= 00:00:01"));
        QCOMPARE(m_rig->graph->lTime->text(), QStringLiteral("Ti= 00:00:01"));
        m_rig->tabl->hide();
        m_rig->graph->hide();
    }

    void watchdogShowsNoLink() {
        ui::TForm1& f = Form();
        OpenCom12();
        Feed(StatusFrame(kWork, 1.0f, 0.5f));
        f.Timer2Timer();
        QVERIFY(f.pStart->isVisible());
        QCOMPARE(f.lStart->text(), QStringLiteral("Нет связи"));
        QCOMPARE(f.lStart->x(), f.pStart->width() / 2 - f.lStart->width() / 2);
        QVERIFY(!f.Timer1->isActive());
        QVERIFY(!f.Timer2->isActive());
        // The next valid frame redraws the panels and re-arms the watchdog.
        Feed(StatusFrame(kWork, 1.0f, 0.5f));
        QVERIFY(f.pWork->isVisible());
        QVERIFY(!f.pStart->isVisible());
        QVERIFY(f.Timer2->isActive());
    }

    void vanishedDeviceIsWaitedForAndTheLogGoesOnWhenItIsBack() {
        ui::TForm1& f = Form();
        OpenCom12();
        m_rig->Record(0.25f);
        m_rig->Record(0.25f);
        const std::string journal = f.Session().JournalPath();
        QVERIFY(!journal.empty());
        m_rig->pty.Hangup();
        // No box: the main window says what it waits for, and for how long.
        QTRY_VERIFY_WITH_TIMEOUT(f.Session().NeedsReopen(), 20000);
        QVERIFY(f.TimerWait->isActive());
        m_rig->clock.AdvanceMs(3000);
        f.TimerWaitTimer();
        // Counted from the last frame, which came a second before the record.
        QCOMPARE(f.lWait->text(), QStringLiteral("Ожидание устройства… 00:04"));
        QVERIFY(!f.Comm().Active()); // the dead device's handle is let go
        f.Timer2Timer();
        QCOMPARE(f.lStart->text(), QStringLiteral("Нет связи"));
        QCOMPARE(f.Session().Log().Count(), 2);
        QCOMPARE(f.StatusPanel0->text(), QStringLiteral("COM12"));
        QVERIFY(f.PortItem(12)->isChecked());
        // The adapter is back: a new device behind the same COM entry, opened by the wait.
        PtyDevice back;
        QVERIFY(back.Ok());
        comm::PortMap map = m_rig->home.Map();
        map.Unregister(12);
        QVERIFY(map.RegisterAs(back.SlavePath(), 12));
        m_rig->clock.AdvanceMs(1000);
        f.TimerWaitTimer();
        QVERIFY(f.Comm().Active());
        QCOMPARE(f.Comm().Baudrate(), comm::br38400);
        QVERIFY(f.Timer2->isActive()); // re-armed: a silent meter is told again
        m_rig->clock.AdvanceMs(4000);
        test::FeedFrames(f, back, StatusFrame(kWork, 3.0f, 0.5f));
        QCOMPARE(f.lUi->text(), QStringLiteral("Ui=3,000В"));
        QCOMPARE(f.lWait->text(), QStringLiteral("Связь восстановлена (разрыв 9 с)"));
        m_rig->clock.AdvanceMs(1000);
        f.Timer1Timer();
        // The same log and journal, T past the gap.
        QCOMPARE(f.Session().Log().Count(), 3);
        QCOMPARE(f.Session().JournalPath(), journal);
        QVERIFY(f.Session().Log()[2].T >= f.Session().Log()[1].T + 8);
        QVERIFY(Prompts().asked.empty());
        m_rig->clock.AdvanceMs(5000);
        f.TimerWaitTimer();
        QCOMPARE(f.lWait->text(), QString());
        QVERIFY(!f.TimerWait->isActive());
        f.TxOff->trigger();
    }

    void choosingTheSamePortAnotherOrOffDuringTheWait() {
        ui::TForm1& f = Form();
        // Another port, listed before the wait ("Обновить" would end it).
        const std::string device = m_rig->home.Device(QStringLiteral("ttyUSB9"));
        QVERIFY(m_rig->home.Map().RegisterAs(device, 3));
        f.Update1->trigger();
        QVERIFY(f.PortItem(3));
        OpenCom12();
        m_rig->Record(0.25f);
        m_rig->Record(0.25f);
        m_rig->pty.Hangup();
        QTRY_VERIFY_WITH_TIMEOUT(f.Session().NeedsReopen(), 20000);
        // The port waited for, chosen again while its device is away: the user is told why
        // it cannot open, and the wait goes on with the log.
        f.PortItem(12)->trigger();
        QCOMPARE(std::ssize(Prompts().asked), 1);
        QVERIFY2(test::Q(Prompts().asked[0].text)
                     .startsWith(QStringLiteral("Specified device not found")),
                 qPrintable(test::Q(Prompts().asked[0].text)));
        QVERIFY(f.Session().Waiting());
        QVERIFY(f.PortItem(12)->isChecked());
        // Another port offers to save first; Cancel keeps the wait, the port and the log.
        Prompts().answers.push_back(PromptAnswer::Cancel);
        f.PortItem(3)->trigger();
        QCOMPARE(std::ssize(Prompts().asked), 2);
        QCOMPARE(test::Q(Prompts().asked[1].text), QStringLiteral("Сохранить данные?"));
        QVERIFY(f.Session().Waiting());
        QVERIFY(f.PortItem(12)->isChecked());
        QVERIFY(!f.PortItem(3)->isChecked());
        QCOMPARE(f.StatusPanel0->text(), QStringLiteral("COM12"));
        QCOMPARE(f.Session().Log().Count(), 2);
        // "Выкл" ends the wait without a question; the log stays.
        f.TxOff->trigger();
        QCOMPARE(std::ssize(Prompts().asked), 2);
        QVERIFY(!f.Session().Waiting());
        QVERIFY(f.lWait->text().isEmpty());
        QVERIFY(!f.TimerWait->isActive());
        QCOMPARE(f.Session().Log().Count(), 2);
        m_rig->clock.AdvanceMs(1000);
        f.TimerWaitTimer();
        QVERIFY(!f.Comm().Active());
    }

    void portThatCannotBeOpened() {
        ui::TForm1& f = Form();
        // The device is there when the popup is built and gone when it is chosen.
        const std::string device = m_rig->home.Device(QStringLiteral("ttyUSB9"));
        QVERIFY(m_rig->home.Map().RegisterAs(device, 3));
        f.Update1->trigger();
        OpenCom12();
        QVERIFY(QFile::remove(QString::fromStdString(device)));
        f.PortItem(3)->trigger();
        QCOMPARE(std::ssize(Prompts().asked), 1);
        QCOMPARE(Prompts().asked[0].kind, Prompt::Error);
        QCOMPARE(test::Q(Prompts().asked[0].caption), QStringLiteral("Error"));
        QVERIFY2(test::Q(Prompts().asked[0].text)
                     .startsWith(QStringLiteral("Specified device not found")),
                 qPrintable(test::Q(Prompts().asked[0].text)));
        QVERIFY(!f.Comm().Active());
        QCOMPARE(f.StatusPanel0->text(), QStringLiteral("Выкл"));
        QVERIFY(!f.PortItem(3)->isChecked());
        QVERIFY(!f.PortItem(12)->isChecked());
        QVERIFY(!f.TxOff->isEnabled());
        QVERIFY(!f.Timer1->isActive());
        QVERIFY(!f.Timer2->isActive());
        QVERIFY(m_rig->tabl->bbLoadTab->isEnabled());
        QVERIFY(!f.bbRestart->isEnabled());
    }

    void closingWhileFramesArrive() {
        ui::TForm1& f = Form();
        OpenCom12();
        std::atomic<bool> stop{false};
        const std::vector<std::uint8_t> frame = StatusFrame(kWork, 1.0f, 0.5f);
        std::thread meter([&] {
            while (!stop.load()) {
                m_rig->pty.Write(frame);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(f.Session().Receiver().Accepted() >= 20, 20000);
        QVERIFY(f.close());
        QVERIFY(!f.Comm().Active());
        QCoreApplication::processEvents(); // hand-offs queued before the close do nothing
        m_rig->DestroyWindows();           // the windows go while the line is still busy
        stop.store(true);
        meter.join();
    }

    void fullLogIsAnnouncedOnce() {
        ui::TForm1& f = Form();
        OpenCom12();
        Feed(StatusFrame(kWork, 1.0f, 0.5f));
        core::MeasurementSession& s = f.Session();
        for (int i = 0; i < core::RecordLog::kMaxRecords + 5; ++i) {
            m_rig->clock.AdvanceMs(1000);
            s.Timer1Timer();
        }
        f.Timer1Timer();
        QCOMPARE(s.Log().Count(), core::RecordLog::kMaxRecords);
        QTRY_COMPARE(std::ssize(Prompts().asked), 1);
        QCOMPARE(Prompts().asked[0].kind, Prompt::Information);
        QCOMPARE(test::Q(Prompts().asked[0].text),
                 QStringLiteral("Журнал заполнен, запись остановлена"));
        QCoreApplication::processEvents(); // a second notice would be posted by now
        QCOMPARE(std::ssize(Prompts().asked), 1);
    }
};

VELS5_GUI_TEST_MAIN(TstMainLink)
#include "tst_main_link.moc"
