// The measurement session's announcements as Qt signals: the one place where the windows
// meet the session's observer interface.
#pragma once

#include "core/session/session_observer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

namespace core {
class MeasurementSession;
}

namespace ui {

/// Observes `session` for its whole life and re-emits each announcement as a signal, on the
/// GUI thread and inside the session's call (direct connections). The windows connect to it
/// and read the rest from the session; slots run in the order they were connected.
class SessionSignals final : public QObject {
    Q_OBJECT
public:
    /// `session` must outlive this object.
    explicit SessionSignals(core::MeasurementSession& session, QObject* parent = nullptr);
    ~SessionSignals() override;

signals:
    void RecordAdded(int index);
    void LogReset();
    void LogLoaded();
    void ElapsedTimeChanged(const QString& text);
    void StatusReceived();
    void LinkLost();
    void TestChanged();
    void StateChanged();
    void DistanceChanged();
    void SaveOffered(core::LogDiscard discard);
    void Notice(core::SessionNotice kind, const QString& text);
    /// The frame's bytes as they are to be written.
    void SendFrame(const QByteArray& frame);

private:
    class Relay;

    core::MeasurementSession& m_session;
    std::unique_ptr<Relay> m_relay;
};

} // namespace ui
