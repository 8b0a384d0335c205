// End-to-end rig: the real vels5-meter as a separate process on a pseudo-terminal, and the
// program's windows with the wall clock, sharing a private port map.
#pragma once

#include "app_rig.h"
#include "tests/common/tools_dir.h"
#include "ui/main/wall_clock.h"

#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <memory>

namespace test {

/// The simulator process. Its output (stdout and stderr) is collected line by line while the
/// Qt event loop runs. Killed when destroyed.
class MeterProcess {
public:
    MeterProcess(const ConfigHome& home, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.dir.path());
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(&m_process, &QProcess::readyRead, [this] { Collect(); });
        m_process.start(QString::fromStdString(ToolsDir() + "/vels5-meter/vels5-meter"), args);
    }
    ~MeterProcess() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    /// Waits for the line telling where the simulator is reachable; its COM number, or 0.
    int WaitReady(int timeoutMs = 20000) {
        const QString line =
            WaitLine(QStringLiteral(R"(^vels5-meter: COM(\d+) -> (/dev/pts/\d+))"), timeoutMs);
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral(R"(COM(\d+) -> (\S+))")).match(line);
        if (!m.hasMatch())
            return 0;
        m_pts = m.captured(2);
        return m.captured(1).toInt();
    }
    /// The first line from the current scan position on that matches, or "" after the timeout.
    /// Lines before the match are passed over for the next call.
    QString WaitLine(const QString& pattern, int timeoutMs = 20000) {
        const QRegularExpression re(pattern);
        QString found;
        (void)QTest::qWaitFor(
            [&] {
                for (; m_scan < m_lines.size(); ++m_scan) {
                    if (re.match(m_lines[m_scan]).hasMatch()) {
                        found = m_lines[m_scan++];
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }
    const QStringList& Lines() const { return m_lines; }
    QString Output() const { return m_lines.join(QLatin1Char('\n')); }
    const QString& Pts() const { return m_pts; }
    void Terminate() { m_process.terminate(); }
    void Kill() { m_process.kill(); }
    /// Waits for the end; the exit code, or -1 after a crash or the timeout.
    int WaitExit(int timeoutMs = 20000) {
        (void)QTest::qWaitFor([&] { return m_process.state() == QProcess::NotRunning; }, timeoutMs);
        Collect();
        if (m_process.state() != QProcess::NotRunning ||
            m_process.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_process.exitCode();
    }

private:
    void Collect() {
        m_partial += QString::fromUtf8(m_process.readAll());
        qsizetype nl;
        while ((nl = m_partial.indexOf(QLatin1Char('\n'))) >= 0) {
            m_lines << m_partial.left(nl);
            m_partial.remove(0, nl + 1);
        }
    }

    QProcess m_process;
    QStringList m_lines;
    QString m_partial;
    qsizetype m_scan = 0;
    QString m_pts;
};

/// Simulator options that reach the work phase in about a second: the e2e tests are about
/// what arrives, not about the meter's real timing.
inline QStringList FastMeter(const QStringList& more = {}) {
    return QStringList{QStringLiteral("--start"),     QStringLiteral("0,5"),
                       QStringLiteral("--stab"),      QStringLiteral("0:01"),
                       QStringLiteral("--adjust"),    QStringLiteral("0,6"),
                       QStringLiteral("--measuring"), QStringLiteral("0,3"),
                       QStringLiteral("--interval"),  QStringLiteral("100")} +
           more;
}

/// The seven windows as the program creates them, on the wall clock, scripted prompts; the
/// main window shown.
struct E2eRig : WindowsRig<ui::WallClock> {
    explicit E2eRig(const ConfigHome& home) : WindowsRig(home) { form1->show(); }

    /// Opens COMn from the port popup; true when the status bar names it.
    bool Open(int n) {
        QAction* item = form1->PortItem(n);
        if (!item)
            return false;
        item->trigger();
        return form1->StatusPanel0->text() == QStringLiteral("COM%1").arg(n);
    }
    /// Valid frames taken so far (every one re-arms the watchdog).
    std::uint64_t Frames() const { return form1->Session().Receiver().Accepted(); }
};

} // namespace test
