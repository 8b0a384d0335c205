// The session's observer that turns each announcement into a signal of SessionSignals.
#include "ui/main/session_signals.h"

#include "core/session/measurement_session.h"

namespace ui {
namespace {

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

class SessionSignals::Relay final : public core::ISessionObserver {
public:
    explicit Relay(SessionSignals& to) : m_to(to) {}

    void RecordAdded(int index) override { emit m_to.RecordAdded(index); }
    void LogReset() override { emit m_to.LogReset(); }
    void LogLoaded() override { emit m_to.LogLoaded(); }
    void ElapsedTimeChanged(std::string_view text) override {
        emit m_to.ElapsedTimeChanged(Text(text));
    }
    void StatusReceived() override { emit m_to.StatusReceived(); }
    void LinkLost() override { emit m_to.LinkLost(); }
    void TestChanged() override { emit m_to.TestChanged(); }
    void StateChanged() override { emit m_to.StateChanged(); }
    void DistanceChanged() override { emit m_to.DistanceChanged(); }
    void SaveOffered(core::LogDiscard discard) override { emit m_to.SaveOffered(discard); }
    void Notice(core::SessionNotice kind, std::string_view text) override {
        emit m_to.Notice(kind, Text(text));
    }
    void SendFrame(std::span<const std::uint8_t> frame) override {
        emit m_to.SendFrame(QByteArray(reinterpret_cast<const char*>(frame.data()),
                                       static_cast<qsizetype>(frame.size())));
    }

private:
    SessionSignals& m_to;
};

SessionSignals::SessionSignals(core::MeasurementSession& session, QObject* parent)
    : QObject(parent), m_session(session), m_relay(std::make_unique<Relay>(*this)) {
    m_session.AddObserver(*m_relay);
}

SessionSignals::~SessionSignals() {
    m_session.RemoveObserver(*m_relay);
}

} // namespace ui
