// Settings objects of the serial component: update nesting, change callbacks, Assign.
#include "comm/va_settings.h"

#include <string>

namespace comm {

namespace {

constexpr uint32_t kRates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                               14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

} // namespace

uint32_t BaudrateValue(TVaBaudrate rate) {
    const auto i = static_cast<unsigned>(rate);
    return i < std::size(kRates) ? kRates[i] : 0;
}

uint8_t ParityValue(TVaParity parity) {
    return static_cast<uint8_t>(parity);
}
uint8_t DatabitsValue(TVaDatabits bits) {
    return static_cast<uint8_t>(bits + 4);
}
uint8_t StopbitsValue(TVaStopbits bits) {
    return static_cast<uint8_t>(bits);
}

bool BaudrateFromValue(uint32_t rate, TVaBaudrate& out) {
    for (unsigned i = 0; i < std::size(kRates); ++i) {
        if (kRates[i] == rate) {
            out = static_cast<TVaBaudrate>(i);
            return true;
        }
    }
    return false;
}

void TVaPersistent::EndUpdate() {
    if (m_updateCount > 0)
        --m_updateCount;
    Changed();
}

void TVaPersistent::Changed() {
    if (m_updateCount == 0 && m_onChange)
        m_onChange(this);
}

void TVaPersistent::Assign(const TVaPersistent& source) {
    throw EConvertError(std::string("Cannot assign a ") + source.ClassName() + " to a " +
                        ClassName());
}

void TVaFlowControl::Assign(const TVaPersistent& source) {
    const auto* other = dynamic_cast<const TVaFlowControl*>(&source);
    if (!other)
        return TVaPersistent::Assign(source);
    BeginUpdate();
    SetOutCtsFlow(other->m_outCtsFlow);
    SetOutDsrFlow(other->m_outDsrFlow);
    SetControlDtr(other->m_controlDtr);
    SetControlRts(other->m_controlRts);
    SetXonXoffOut(other->m_xonXoffOut);
    SetXonXoffIn(other->m_xonXoffIn);
    SetDsrSensitivity(other->m_dsrSensitivity);
    SetTxContinueOnXoff(other->m_txContinueOnXoff);
    EndUpdate();
}

void TVaEventChars::SetEventChar(int index, char value) {
    if (index >= 1 && index <= 5)
        m_chars[index - 1] = value;
    Changed();
}

void TVaEventChars::Assign(const TVaPersistent& source) {
    const auto* other = dynamic_cast<const TVaEventChars*>(&source);
    if (!other)
        return TVaPersistent::Assign(source);
    BeginUpdate();
    for (int i = 1; i <= 5; ++i)
        SetEventChar(i, other->m_chars[i - 1]);
    EndUpdate();
}

void TVaBuffers::Assign(const TVaPersistent& source) {
    const auto* other = dynamic_cast<const TVaBuffers*>(&source);
    if (!other)
        return TVaPersistent::Assign(source);
    BeginUpdate();
    m_readSize = other->m_readSize;
    m_writeSize = other->m_writeSize;
    ReadTimeout = other->ReadTimeout;
    WriteTimeout = other->WriteTimeout;
    m_xonLimit = other->m_xonLimit;
    m_xoffLimit = other->m_xoffLimit;
    EndUpdate();
}

} // namespace comm
