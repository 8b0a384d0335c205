// Line settings without a device: change notification of the settings objects, and the
// mapping between the component's settings and the line-settings record in both ways.
#include "comm/va_comm.h"
#include "comm/va_dispatch.h"
#include "comm/va_utils.h"

#include <cstring>
#include <gtest/gtest.h>

namespace comm {
namespace {

template <typename T>
struct Counted {
    Counted() {
        object.SetOnChange([this](TVaPersistent* sender) {
            EXPECT_EQ(sender, &object);
            ++fired;
        });
    }
    T object;
    int fired = 0;
};

TEST(TVaPersistent, AssignFiresTheCallbackOnce) {
    Counted<TVaFlowControl> flow;
    TVaFlowControl other;
    other.SetOutCtsFlow(true);
    other.SetControlRts(rtsToggle);
    other.SetXonXoffIn(true);
    flow.object.Assign(other);
    EXPECT_EQ(flow.fired, 1);
    EXPECT_TRUE(flow.object.OutCtsFlow());
    EXPECT_EQ(flow.object.ControlRts(), rtsToggle);

    Counted<TVaEventChars> chars;
    TVaEventChars otherChars;
    chars.object.Assign(otherChars); // all five setters fire, yet one callback
    EXPECT_EQ(chars.fired, 1);

    Counted<TVaBuffers> buffers;
    TVaBuffers otherBuffers;
    otherBuffers.SetReadSize(100);
    otherBuffers.WriteTimeout = 5;
    buffers.object.Assign(otherBuffers);
    EXPECT_EQ(buffers.fired, 1);
    EXPECT_EQ(buffers.object.ReadSize(), 100);
    EXPECT_EQ(buffers.object.WriteTimeout, 5);
}

TEST(TVaPersistent, NestedUpdatesFireOnceAtTheOutermostEnd) {
    Counted<TVaBuffers> b;
    b.object.BeginUpdate();
    b.object.BeginUpdate();
    b.object.SetReadSize(1);
    b.object.SetWriteSize(2);
    b.object.EndUpdate();
    EXPECT_EQ(b.fired, 0);
    b.object.EndUpdate();
    EXPECT_EQ(b.fired, 1);
    b.object.EndUpdate(); // unbalanced: the counter stays at 0, Changed fires
    EXPECT_EQ(b.object.UpdateCount(), 0);
    EXPECT_EQ(b.fired, 2);
}

TEST(TVaPersistent, SettersFireOnlyOnChangeExceptEventChars) {
    Counted<TVaFlowControl> flow;
    flow.object.SetControlDtr(dtrDisabled);
    flow.object.SetOutCtsFlow(false);
    EXPECT_EQ(flow.fired, 0);
    flow.object.SetControlDtr(dtrEnabled);
    EXPECT_EQ(flow.fired, 1);

    Counted<TVaBuffers> buffers;
    buffers.object.SetXonLimit(1024);
    EXPECT_EQ(buffers.fired, 0);
    buffers.object.ReadTimeout = 7; // plain fields: no callback
    buffers.object.WriteTimeout = 9;
    EXPECT_EQ(buffers.fired, 0);

    Counted<TVaEventChars> chars;
    chars.object.SetEventChar(TVaEventChars::kXon, 17); // unchanged, fires anyway
    EXPECT_EQ(chars.fired, 1);
}

TEST(TVaPersistent, AssignFromAnotherClassIsRefused) {
    TVaBuffers buffers;
    TVaFlowControl flow;
    EXPECT_THROW(buffers.Assign(flow), EConvertError);
}

TEST(TVaEventChars, EofAndEventCharAreIndependent) {
    TVaComm comm;
    comm.EventChars().SetEofChar('\x1A');
    comm.EventChars().SetEventChar('\x7E');
    EXPECT_EQ(comm.EventChars().EofChar(), '\x1A');
    EXPECT_EQ(comm.EventChars().EventChar(), '\x7E');
    const DCB dcb = comm.BuildDCB();
    EXPECT_EQ(dcb.EofChar, '\x1A');
    EXPECT_EQ(dcb.EvtChar, '\x7E');
}

TEST(SetDCB, DefaultsAt38400Give8N1WithoutFlowControl) {
    TVaComm comm;
    comm.SetBaudrate(br38400);
    const DCB dcb = comm.BuildDCB();
    EXPECT_EQ(dcb.BaudRate, 38400u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    DCB onlyBinary;
    onlyBinary.fBinary = 1;
    uint32_t flags, expected;
    std::memcpy(&flags, reinterpret_cast<const char*>(&dcb) + 8, 4);
    std::memcpy(&expected, reinterpret_cast<const char*>(&onlyBinary) + 8, 4);
    EXPECT_EQ(flags, expected);
    EXPECT_EQ(dcb.XonLim, 1024);
    EXPECT_EQ(dcb.XoffLim, 1024);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);
    EXPECT_EQ(dcb.ErrorChar, 0);
    EXPECT_EQ(dcb.EofChar, 0);
    EXPECT_EQ(dcb.EvtChar, 0);
}

TEST(SetDCB, LimitsAbove65535ContributeTheirLow16Bits) {
    TVaComm comm;
    comm.Buffers().SetXonLimit(0x12345);
    comm.Buffers().SetXoffLimit(65536);
    const DCB dcb = comm.BuildDCB();
    EXPECT_EQ(dcb.XonLim, 0x2345);
    EXPECT_EQ(dcb.XoffLim, 0);
}

TEST(SetDCB, UserBaudrateAndBaudrateReplaceEachOther) {
    TVaComm comm;
    comm.SetUserBaudrate(31250);
    EXPECT_EQ(comm.Baudrate(), brUser);
    EXPECT_EQ(comm.BuildDCB().BaudRate, 31250u);
    comm.SetBaudrate(br9600);
    EXPECT_EQ(comm.UserBaudrate(), 0);
    EXPECT_EQ(comm.BuildDCB().BaudRate, 9600u);
}

TEST(ReadDCB, ReproducesTheSettingsThatSetDCBWrote) {
    TVaComm source;
    source.SetBaudrate(br57600);
    source.SetParity(paMark);
    source.SetDatabits(db7);
    source.SetStopbits(sb2);
    source.SetOptions({coErrorChar, coParityCheck});
    source.FlowControl().SetControlRts(rtsToggle);
    source.FlowControl().SetControlDtr(dtrDisabled);
    source.FlowControl().SetXonXoffOut(true);
    source.FlowControl().SetTxContinueOnXoff(true);
    source.EventChars().SetErrorChar('?');
    source.EventChars().SetEofChar(4);
    source.Buffers().SetXonLimit(100);
    source.Buffers().SetXoffLimit(200);

    TVaComm copy;
    copy.FlowControl().SetControlDtr(dtrEnabled);
    copy.ReadDCB(source.BuildDCB());
    const DCB a = source.BuildDCB(), b = copy.BuildDCB();
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    EXPECT_EQ(copy.Baudrate(), br57600);
    EXPECT_EQ(copy.FlowControl().ControlRts(), rtsToggle);
    EXPECT_EQ(copy.FlowControl().ControlDtr(), dtrDisabled);
    EXPECT_EQ(copy.Options(), (TVaCommOptions{coErrorChar, coParityCheck}));
}

TEST(ReadDCB, ValuesOutsideTheTablesFallBack) {
    TVaComm comm;
    DCB dcb;
    dcb.BaudRate = 250000;
    dcb.Parity = 9;
    dcb.ByteSize = 3;
    dcb.StopBits = 7;
    comm.ReadDCB(dcb);
    EXPECT_EQ(comm.Baudrate(), brUser);
    EXPECT_EQ(comm.UserBaudrate(), 250000);
    EXPECT_EQ(comm.Parity(), paNone);
    EXPECT_EQ(comm.Databits(), db8);
    EXPECT_EQ(comm.Stopbits(), sb1);
}

TEST(TVaCustomComm, DefaultsAndMasks) {
    TVaComm comm;
    EXPECT_EQ(comm.Baudrate(), br1200);
    EXPECT_EQ(comm.DeviceName(), "COM%d");
    EXPECT_EQ(comm.WritePriority(), tpHighest);
    EXPECT_TRUE(comm.UpdateDCB());
    EXPECT_EQ(comm.MonitorEvents(), (TVaCommEvents{ceError, ceRxChar, ceTxEmpty}));
    comm.UpdateEventMask();
    EXPECT_EQ(comm.WaitMask(), 0x81u);
    comm.SetDirectWrite(true);
    comm.UpdateEventMask();
    EXPECT_EQ(comm.WaitMask(), 0x85u);
    comm.SetPortNum(2);
    EXPECT_EQ(comm.GetDeviceName(), "COM2");
    comm.SetDeviceName("\\\\.\\COM10");
    EXPECT_EQ(comm.GetDeviceName(), "\\\\.\\COM10");
}

TEST(TVaCustomComm, HandshakeLinesRefuseManualUpdatesEvenWhileClosed) {
    TVaComm comm;
    comm.FlowControl().SetControlDtr(dtrHandshake);
    try {
        comm.SetDTR(true);
        FAIL();
    } catch (const EVaCommError& e) {
        EXPECT_STREQ(e.what(),
                     "DTR line updates not allowed when flowcontrol is set to Handshake.");
    }
    for (TVaControlRts rts : {rtsHandshake, rtsToggle}) {
        comm.FlowControl().SetControlRts(rts);
        EXPECT_THROW(comm.SetRTS(false), EVaCommError);
    }
    comm.FlowControl().SetControlRts(rtsEnabled);
    EXPECT_NO_THROW(comm.SetRTS(true)); // closed: nothing happens
    try {
        comm.GetProperties();
        FAIL();
    } catch (const EVaCommError& e) {
        EXPECT_STREQ(e.what(), "Can't perform this operation while port is closed");
    }
}

TEST(TVaCommComponent, LeavesWithTheSerialComponentItListensTo) {
    TVaCommComponent listener;
    auto comm = std::make_unique<TVaComm>();
    listener.SetComm(comm.get());
    ASSERT_EQ(comm->Clients().size(), 1u);
    EXPECT_EQ(listener.Dispatcher().Comm(), comm.get());
    EXPECT_EQ(listener.Dispatcher().WriteText("x"), false); // closed: nothing written
    comm.reset();
    EXPECT_EQ(listener.Comm(), nullptr);
    EXPECT_EQ(listener.Dispatcher().Comm(), nullptr);
    EXPECT_EQ(listener.Dispatcher().WriteBuf("x", 1), 0);

    TVaComm other;
    {
        TVaCommComponent shortLived;
        shortLived.SetComm(&other);
        EXPECT_EQ(other.Clients().size(), 1u);
    }
    EXPECT_TRUE(other.Clients().empty()); // the dispatcher left the list
}

TEST(Vautils, TimerExpiredAcrossTheTickWrap) {
    EXPECT_EQ(TimerElapsed(0xFFFFFF00u, 0x100u), 0x1FFu);
    TVaTimeEvent timer{0xFFFFFF00u, 0x1FF};
    EXPECT_FALSE(TimerExpiredAt(timer, 0x100u));
    EXPECT_TRUE(TimerExpiredAt(timer, 0x101u));
    EXPECT_FALSE(TimerExpiredAt(TVaTimeEvent{100, 50}, 150));
    EXPECT_TRUE(TimerExpiredAt(TVaTimeEvent{100, 50}, 151));
}

TEST(Vautils, SmallHelpers) {
    EXPECT_TRUE(BitOn(0x81, EV_ERR));
    EXPECT_FALSE(BitOn(0x80000000u, 0x80000000u)); // negative as a signed number
    EXPECT_TRUE(BitOff(0x81, EV_TXEMPTY));
    EXPECT_EQ(CN('\0'), ' ');
    EXPECT_EQ(StrCtrl("^a^Z^1x"), std::string("\x01\x1A^1x"));
    EXPECT_EQ(AddPathSlash(""), "");
    EXPECT_EQ(AddPathSlash("/tmp"), "/tmp/");
    EXPECT_EQ(AddPathSlash("/tmp/"), "/tmp/");
    EXPECT_EQ(GetFileSize("/nonexistent/file"), -1);
    EXPECT_EQ(MinInteger(-3, 2), -3);
}

} // namespace
} // namespace comm
