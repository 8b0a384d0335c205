// Events of the serial component: the events it can watch and their device values, the
// handler types, received data and the status record.
#pragma once

#include "comm/dcb.h"
#include "comm/va_settings.h"

#include <cstdint>
#include <functional>

namespace comm {

class TVaCustomComm;

/// Events the component can watch (MonitorEvents); CommEventValue gives each one's EV_* bit.
enum TVaCommEvent {
    ceBreak,
    ceCts,
    ceDsr,
    ceError,
    ceRing,
    ceRlsd,
    ceRxChar,
    ceTxEmpty,
    ceRxFlag,
    cePErr,
    ceRx80Full,
    ceEvent1,
    ceEvent2
};
using TVaCommEvents = TVaSet<TVaCommEvent>;
/// The EV_* bit of `event` (ceBreak EV_BREAK 0x40 ... ceEvent2 EV_EVENT2 0x1000). Any thread;
/// raises nothing.
uint32_t CommEventValue(TVaCommEvent event);

/// Received bytes (up to 32768 valid, a separate count says how many), valid during the call
/// that passes them.
using PVaData = const uint8_t*;

/// Handlers of the component, called on the main thread with the component as sender.
using TVaNotifyEvent = std::function<void(TVaCustomComm* sender)>;
/// `errors`: the line-error flags (CE_*) that ClearLineErrors found.
using TVaCommErrorEvent = std::function<void(TVaCustomComm* sender, int errors)>;
/// `count`: bytes waiting in the input queue; the handler reads them (or leaves them).
using TVaCommRxCharEvent = std::function<void(TVaCustomComm* sender, int count)>;
using TVaCommRxBufEvent = std::function<void(TVaCustomComm* sender, PVaData data, int count)>;
using TVaCommLineEvent = std::function<void(TVaCustomComm* sender, uint32_t evtMask)>;

/// Line-error flags (CE_*) followed by the queue state.
struct TVaCommStatus {
    uint32_t Errors = 0;
    COMSTAT Stat;
};

} // namespace comm
