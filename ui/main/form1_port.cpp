// The main window's serial port: MyCOM's settings, the port popup, opening and closing,
// received bytes and a vanished device.
#include "comm/port/port.h"
#include "comm/va_comm.h"
#include "core/common/prompts.h"
#include "ui/common/utf8.h"
#include "ui/main/form1.h"
#include "ui/main/help.h"
#include "ui/main/qt_main_thread.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <array>

namespace ui {
namespace {

// Data the popup's items carry: the port number, -1 for "Выкл", -2 for "Обновить".
constexpr int kTagOff = -1;
constexpr int kTagUpdate = -2;

} // namespace

std::unique_ptr<comm::TVaComm> TForm1::MakeComm() {
    auto c = std::make_unique<comm::TVaComm>();
    c->SetMainThread(m_mainThread);
    c->SetPortMapDir(m_portMap.Dir());
    // 38400 8N1, binary, no parity check, no flow control, DTR and RTS held off.
    c->SetBaudrate(comm::br38400);
    c->SetParity(comm::paNone);
    c->SetDatabits(comm::db8);
    c->SetStopbits(comm::sb1);
    c->SetOptions({});
    comm::TVaFlowControl& flow = c->FlowControl();
    flow.SetOutCtsFlow(false);
    flow.SetOutDsrFlow(false);
    flow.SetXonXoffOut(false);
    flow.SetXonXoffIn(false);
    flow.SetDsrSensitivity(false);
    flow.SetTxContinueOnXoff(false);
    flow.SetControlDtr(comm::dtrDisabled);
    flow.SetControlRts(comm::rtsDisabled);
    c->Buffers().SetReadSize(4096);
    c->Buffers().SetWriteSize(2048);
    c->Buffers().ReadTimeout = 1000;
    c->Buffers().WriteTimeout = 1000;
    c->SetDirectWrite(false);
    c->SetWritePriority(comm::tpHighest);
    c->OnRxChar = [this](comm::TVaCustomComm*, int) { MyCOMRxChar(); };
    c->OnError = [this](comm::TVaCustomComm* sender, int errors) {
        if ((static_cast<std::uint32_t>(errors) & comm::CE_DEVICELOST) || sender->DeviceLost())
            MyCOMDeviceLost();
    };
    return c;
}

void TForm1::BuildPortMenu() {
    if (!pmTx) {
        pmTx = new QMenu(this);
        pmTx->setObjectName(QStringLiteral("pmTx"));
        // Two separators above "Выкл": Qt would show adjacent ones as one.
        pmTx->setSeparatorsCollapsible(false);
        m_portGroup = new QActionGroup(this);
        m_portGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
        pmTx->addSeparator();
        pmTx->addSeparator();
        TxOff = pmTx->addAction(QStringLiteral("Выкл"));
        TxOff->setObjectName(QStringLiteral("TxOff"));
        TxOff->setData(kTagOff);
        TxOff->setCheckable(true);
        TxOff->setChecked(true);
        m_portGroup->addAction(TxOff);
        connect(TxOff, &QAction::triggered, this, [this] { TxClick(kTagOff); });
        Update1 = pmTx->addAction(QStringLiteral("Обновить"));
        Update1->setObjectName(QStringLiteral("Update1"));
        Update1->setData(kTagUpdate);
        connect(Update1, &QAction::triggered, this, &TForm1::Update1Click);
    }
    // Ascending above the separators.
    QAction* before = pmTx->actions().constFirst();
    for (int n : m_portMap.Refresh()) {
        auto* item = new QAction(QStringLiteral("COM%1").arg(n), pmTx);
        item->setObjectName(QStringLiteral("Port%1").arg(n));
        item->setData(n);
        item->setCheckable(true);
        m_portGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, n] { TxClick(n); });
        pmTx->insertAction(before, item);
    }
}

QAction* TForm1::PortItem(int n) const {
    for (QAction* a : pmTx->actions()) {
        if (a->data().toInt() == n && n > 0)
            return a;
    }
    return nullptr;
}

void TForm1::StatusBar1MouseDown(int clickX) {
    if (clickX >= 40)
        return;
    pmTx->popup(QPoint(x() + 45, y() + frameGeometry().height() - 40));
}

void TForm1::TxClick(int tag) {
    if (tag > 0 && tag == m_portNumber && m_session->Waiting()) {
        // The port waited for, chosen again: tried at once, and the log goes on.
        ReopenPort(true);
        if (QAction* item = PortItem(tag))
            item->setChecked(true);
        Refresh();
        return;
    }
    // Another port ends the wait as a new port always ends a log, but asked first.
    if (tag > 0 && !m_session->LeaveWait()) {
        if (QAction* item = PortItem(m_portNumber))
            item->setChecked(true);
        Refresh();
        return;
    }
    if (tag < 1) {
        MyCOM->Close();
        m_portNumber = 0;
        m_session->PortClosed();
        ShowPortClosed();
        TxOff->setEnabled(false);
    } else {
        OpenPort(tag);
    }
    Refresh();
}

void TForm1::OpenPort(int n) {
    QAction* item = PortItem(n);
    MyCOM->Close();
    const std::string name = (n <= 9 ? "COM" : "\\\\.\\COM") + std::to_string(n);
    try {
        MyCOM->SetDeviceName(name);
        MyCOM->Open();
    } catch (const comm::EVaCommError& error) {
        QString text = QString::fromStdString(error.Message());
        if (comm::port::IsAccessDenied(error.Code()))
            text += QLatin1Char('\n') + AccessHint(m_portMap.Resolve(name).value_or(name),
                                                   qEnvironmentVariable("USER"));
        m_prompts.Error("Error", Utf8(text));
        if (item)
            item->setChecked(false);
        ShowPortClosed(); // no port is open now: "Выкл" is the checked item
        TxOff->setEnabled(false);
        m_portNumber = 0;
        m_session->PortOpenFailed();
        return;
    }
    if (item)
        item->setChecked(true);
    // "\\.\COM12" shows as COM12.
    StatusPanel0->setText(QString::fromStdString(n <= 9 ? name : name.substr(4, 6)));
    TxOff->setEnabled(true);
    m_portNumber = n;
    m_session->PortOpened();
}

void TForm1::ShowPortClosed() {
    TxOff->setChecked(true);
    StatusPanel0->setText(QStringLiteral("Выкл"));
}

void TForm1::Update1Click() {
    // The port closes and the recording controls keep their state; loading becomes possible
    // again, as after "Выкл".
    MyCOM->Close();
    ShowPortClosed();
    TxOff->setEnabled(false);
    m_portNumber = 0;
    m_session->PortDropped();
    for (QAction* a : pmTx->actions()) {
        if (a->data().toInt() > 0) {
            m_portGroup->removeAction(a);
            pmTx->removeAction(a);
            delete a;
        }
    }
    BuildPortMenu();
}

void TForm1::MyCOMRxChar() {
    std::array<std::uint8_t, 256> buffer;
    // Everything waiting now, in chunks; bytes that arrive later raise the next event.
    while (MyCOM->ReadBufUsed() > 0) {
        const int n = MyCOM->ReadBuf(buffer.data(), static_cast<int>(buffer.size()));
        if (n <= 0)
            break;
        m_session->ReceiveBytes(std::span(buffer.data(), static_cast<std::size_t>(n)));
    }
}

void TForm1::MyCOMDeviceLost() {
    // No frame can come any more: recording stops now, not when the watchdog fires, and the
    // wait for the device begins. The port is closed at the wait's next tick, not inside
    // the serial event that told the loss.
    m_session->DeviceLost();
}

void TForm1::TimerWaitTimer() {
    if (m_session->ReopenDue())
        ReopenPort(false);
    ShowWait();
}

bool TForm1::ReopenPort(bool tell) {
    // The dead device's handle goes first: a USB adapter that comes back may get another
    // node, which its stable link in the port map then points to.
    MyCOM->Close();
    // In silence, only a device the port map shows is tried.
    if (!tell && !m_portMap.Present(MyCOM->GetDeviceName()))
        return false;
    try {
        MyCOM->Open(); // the same name and line settings as before
    } catch (const comm::EVaCommError& error) {
        if (tell)
            m_prompts.Error("Error", Utf8(QString::fromStdString(error.Message())));
        return false;
    }
    m_session->PortReopened();
    return true;
}

void TForm1::SendFrame(const QByteArray& frame) {
    try {
        MyCOM->WriteBuf(frame.constData(), static_cast<int>(frame.size()));
    } catch (const comm::EVaCommError& error) {
        // The frame could not be queued ("Output buffer is full"): told, and the restart
        // goes on without it.
        const QString text = QString::fromStdString(error.Message());
        QTimer::singleShot(0, this, [this, text] { m_prompts.Error("Error", Utf8(text)); });
    }
}

} // namespace ui
