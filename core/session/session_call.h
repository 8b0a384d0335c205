// A public method of the measurement session under way, for the session's own source files.
#pragma once

#include "core/session/measurement_session.h"

namespace core {

// A public method under way: when the outermost one ends, the observers show the state.
class MeasurementSession::Call {
public:
    explicit Call(MeasurementSession& session) : m_session(session) { ++m_session.m_calls; }
    ~Call() {
        if (--m_session.m_calls == 0)
            m_session.Publish(&ISessionObserver::StateChanged);
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

private:
    MeasurementSession& m_session;
};

} // namespace core
