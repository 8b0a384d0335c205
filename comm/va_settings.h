// Line settings of the serial component: enumerations, the three grouped settings objects
// with change notification, and their platform values. Pure data; no device needed.
//
// Threads and errors: the enumerations' functions and TVaSet may be used on any thread and
// raise nothing. A settings object belongs to its component and is used on the main thread;
// a setter raises only what the change callback raises (the component's: "Error writing dcb
// (%d), %s" while open, and for TVaBuffers "Can't perform this operation while port is
// open"); Assign raises EConvertError as well.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>

namespace comm {

/// Baud rates in stored order; brUser stands for the component's UserBaudrate.
enum TVaBaudrate {
    brUser,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TVaParity { paNone, paOdd, paEven, paMark, paSpace };
enum TVaDatabits { db4, db5, db6, db7, db8 };
enum TVaStopbits { sb1, sb15, sb2 };
enum TVaCommOption { coErrorChar, coNullStrip, coParityCheck };
enum TVaControlDtr { dtrDisabled, dtrEnabled, dtrHandshake };
enum TVaControlRts { rtsDisabled, rtsEnabled, rtsHandshake, rtsToggle };

/// A set of enumeration members (at most 32), as the component's option and event sets.
template <typename E>
class TVaSet {
public:
    constexpr TVaSet() = default;
    constexpr TVaSet(std::initializer_list<E> members) {
        for (E m : members)
            m_bits |= Bit(m);
    }
    constexpr bool Contains(E m) const { return (m_bits & Bit(m)) != 0; }
    constexpr TVaSet& Include(E m) {
        m_bits |= Bit(m);
        return *this;
    }
    constexpr TVaSet& Exclude(E m) {
        m_bits &= ~Bit(m);
        return *this;
    }
    constexpr bool Empty() const { return m_bits == 0; }
    constexpr uint32_t Bits() const { return m_bits; }
    constexpr bool operator==(const TVaSet&) const = default;

private:
    static constexpr uint32_t Bit(E m) { return uint32_t{1} << static_cast<unsigned>(m); }
    uint32_t m_bits = 0;
};
using TVaCommOptions = TVaSet<TVaCommOption>;

/// Platform values: the rate in bits per second (0 for brUser), parity code, bits per
/// character, stop-bit code. The reverse lookups return false when nothing matches.
uint32_t BaudrateValue(TVaBaudrate rate);
uint8_t ParityValue(TVaParity parity);
uint8_t DatabitsValue(TVaDatabits bits);
uint8_t StopbitsValue(TVaStopbits bits);
bool BaudrateFromValue(uint32_t rate, TVaBaudrate& out);

/// Thrown by Assign from an object of another class.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A settings object with nested updates and one change callback. Main thread only; what
/// the callback raises goes on to the caller of the setter, EndUpdate, Changed or Assign.
class TVaPersistent {
public:
    using TNotifyEvent = std::function<void(TVaPersistent* sender)>;
    virtual ~TVaPersistent() = default;

    void BeginUpdate() { ++m_updateCount; }
    /// Ends one update level; calls Changed (which fires only at the outermost level).
    void EndUpdate();
    /// Calls the callback with this object when no update is open and a callback is set.
    void Changed();
    /// Copies all values of an object of the same class, firing the callback once.
    /// Throws EConvertError for an object of another class.
    virtual void Assign(const TVaPersistent& source);

    void SetOnChange(TNotifyEvent callback) { m_onChange = std::move(callback); }
    int UpdateCount() const { return m_updateCount; }

protected:
    virtual const char* ClassName() const { return "TVaPersistent"; }

private:
    int m_updateCount = 0;
    TNotifyEvent m_onChange;
};

/// Flow-control and modem-line control settings. Setters fire only on change.
class TVaFlowControl : public TVaPersistent {
public:
    bool OutCtsFlow() const { return m_outCtsFlow; }
    bool OutDsrFlow() const { return m_outDsrFlow; }
    TVaControlDtr ControlDtr() const { return m_controlDtr; }
    TVaControlRts ControlRts() const { return m_controlRts; }
    bool XonXoffOut() const { return m_xonXoffOut; }
    bool XonXoffIn() const { return m_xonXoffIn; }
    bool DsrSensitivity() const { return m_dsrSensitivity; }
    bool TxContinueOnXoff() const { return m_txContinueOnXoff; }

    void SetOutCtsFlow(bool value) { Set(m_outCtsFlow, value); }
    void SetOutDsrFlow(bool value) { Set(m_outDsrFlow, value); }
    void SetControlDtr(TVaControlDtr value) { Set(m_controlDtr, value); }
    void SetControlRts(TVaControlRts value) { Set(m_controlRts, value); }
    void SetXonXoffOut(bool value) { Set(m_xonXoffOut, value); }
    void SetXonXoffIn(bool value) { Set(m_xonXoffIn, value); }
    void SetDsrSensitivity(bool value) { Set(m_dsrSensitivity, value); }
    void SetTxContinueOnXoff(bool value) { Set(m_txContinueOnXoff, value); }

    void Assign(const TVaPersistent& source) override;

protected:
    const char* ClassName() const override { return "TVaFlowControl"; }

private:
    template <typename T>
    void Set(T& field, T value) {
        if (field != value) {
            field = value;
            Changed();
        }
    }
    bool m_outCtsFlow = false;
    bool m_outDsrFlow = false;
    TVaControlDtr m_controlDtr = dtrDisabled;
    TVaControlRts m_controlRts = rtsDisabled;
    bool m_xonXoffOut = false;
    bool m_xonXoffIn = false;
    bool m_dsrSensitivity = false;
    bool m_txContinueOnXoff = false;
};

/// The five special characters. SetEventChar fires the callback even without a change.
class TVaEventChars : public TVaPersistent {
public:
    static constexpr int kXon = 1, kXoff = 2, kError = 3, kEvent = 4, kEof = 5;

    char XonChar() const { return m_chars[kXon - 1]; }
    char XoffChar() const { return m_chars[kXoff - 1]; }
    char ErrorChar() const { return m_chars[kError - 1]; }
    char EventChar() const { return m_chars[kEvent - 1]; }
    char EofChar() const { return m_chars[kEof - 1]; }
    /// `index` 1 XonChar, 2 XoffChar, 3 ErrorChar, 4 EventChar, 5 EofChar; others ignored.
    void SetEventChar(int index, char value);
    void SetXonChar(char c) { SetEventChar(kXon, c); }
    void SetXoffChar(char c) { SetEventChar(kXoff, c); }
    void SetErrorChar(char c) { SetEventChar(kError, c); }
    void SetEventChar(char c) { SetEventChar(kEvent, c); }
    void SetEofChar(char c) { SetEventChar(kEof, c); }

    void Assign(const TVaPersistent& source) override;

protected:
    const char* ClassName() const override { return "TVaEventChars"; }

private:
    char m_chars[5] = {17, 19, 0, 0, 0};
};

/// Queue sizes (bytes), timeouts (ms) and XON/XOFF limits (bytes), each 0..2147483647.
/// ReadTimeout and WriteTimeout are plain fields: changing them fires nothing.
class TVaBuffers : public TVaPersistent {
public:
    int ReadSize() const { return m_readSize; }
    int WriteSize() const { return m_writeSize; }
    int XonLimit() const { return m_xonLimit; }
    int XoffLimit() const { return m_xoffLimit; }
    void SetReadSize(int value) { Set(m_readSize, value); }
    void SetWriteSize(int value) { Set(m_writeSize, value); }
    void SetXonLimit(int value) { Set(m_xonLimit, value); }
    void SetXoffLimit(int value) { Set(m_xoffLimit, value); }

    int ReadTimeout = 1000;
    int WriteTimeout = 1000;

    void Assign(const TVaPersistent& source) override;

protected:
    const char* ClassName() const override { return "TVaBuffers"; }

private:
    void Set(int& field, int value) {
        if (field != value) {
            field = value;
            Changed();
        }
    }
    int m_readSize = 4096;
    int m_writeSize = 2048;
    int m_xonLimit = 1024;
    int m_xoffLimit = 1024;
};

} // namespace comm
