// Receive-event latency and idle/hang-up CPU of the serial component, measured on a
// pseudo-terminal against QSerialPort on the same kind of device in the same run.
// QSerialPort is the benchmark's yardstick only; the product never links it. It reads on
// the GUI thread itself (one wake-up per arrival); the component's event thread posts each
// event to the GUI thread and waits for it (two wake-ups), which costs one thread switch more.
#include "comm/va_comm.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kSamples = 2000;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t CpuUs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000LL + u.ru_utime.tv_usec +
           u.ru_stime.tv_usec;
}

struct Pty {
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) || unlockpt(master))
            throw std::runtime_error("no pty");
        slave = ptsname(master);
    }
    ~Pty() { Close(); }
    void Close() {
        if (master >= 0)
            close(master);
        master = -1;
    }
    int master = -1;
    std::string slave;
};

// The hand-off as the program does it: a queued call into the GUI thread, which the
// component's worker waits for.
class QtMainThread final : public comm::IMainThread {
public:
    void Post(std::function<void()> call) override {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call),
                                  Qt::QueuedConnection);
    }
};

struct Stats {
    double medianUs = 0, p99Us = 0;
};

Stats Summarise(std::vector<int64_t> ns) {
    std::sort(ns.begin(), ns.end());
    return {ns[ns.size() / 2] / 1000.0, ns[ns.size() * 99 / 100] / 1000.0};
}

Stats g_ours, g_qt;

// Writes one byte on the master and runs the event loop until the handler has seen it.
template <typename Arm>
std::vector<int64_t> Measure(Pty& pty, QEventLoop& loop, int64_t& received, Arm arm) {
    std::vector<int64_t> samples;
    for (int i = 0; i < kSamples; ++i) {
        received = 0;
        arm();
        const char byte = static_cast<char>(i);
        const int64_t sent = NowNs();
        if (write(pty.master, &byte, 1) != 1)
            throw std::runtime_error("write");
        if (!received)
            loop.exec();
        samples.push_back(received - sent);
    }
    return samples;
}

void OursLatency(benchmark::State& state) {
    for (auto _ : state) {
        Pty pty;
        comm::TVaComm comm;
        comm.SetMainThread(std::make_shared<QtMainThread>());
        comm.SetBaudrate(comm::br38400);
        comm.SetDeviceName(pty.slave);
        QEventLoop loop;
        int64_t received = 0;
        comm.OnRxChar = [&](comm::TVaCustomComm*, int) {
            received = NowNs();
            char ch;
            while (comm.ReadChar(ch)) {
            }
            loop.quit();
        };
        comm.Open();
        g_ours = Summarise(Measure(pty, loop, received, [] {}));
        comm.Close();
    }
    state.counters["median_us"] = g_ours.medianUs;
    state.counters["p99_us"] = g_ours.p99Us;
}

// The same with the queue hand-off of tools and tests (a futex wake instead of a posted
// Qt event); the GUI thread still runs a Qt loop between samples.
void OursLatencyCallQueue(benchmark::State& state) {
    Stats stats;
    for (auto _ : state) {
        Pty pty;
        auto queue = std::make_shared<comm::CallQueue>();
        comm::TVaComm comm;
        comm.SetMainThread(queue);
        comm.SetBaudrate(comm::br38400);
        comm.SetDeviceName(pty.slave);
        int64_t received = 0;
        comm.OnRxChar = [&](comm::TVaCustomComm*, int) {
            received = NowNs();
            char ch;
            while (comm.ReadChar(ch)) {
            }
        };
        comm.Open();
        std::vector<int64_t> samples;
        for (int i = 0; i < kSamples; ++i) {
            received = 0;
            const char byte = static_cast<char>(i);
            const int64_t sent = NowNs();
            if (write(pty.master, &byte, 1) != 1)
                throw std::runtime_error("write");
            queue->RunUntil([&] { return received != 0; }, 1000);
            samples.push_back(received - sent);
        }
        stats = Summarise(samples);
        comm.Close();
        queue->Shutdown();
    }
    state.counters["median_us"] = stats.medianUs;
    state.counters["p99_us"] = stats.p99Us;
}

void QSerialPortLatency(benchmark::State& state) {
    for (auto _ : state) {
        Pty pty;
        QSerialPort port(QString::fromStdString(pty.slave));
        port.setBaudRate(38400);
        if (!port.open(QIODevice::ReadWrite))
            state.SkipWithError("QSerialPort cannot open the pty");
        QEventLoop loop;
        int64_t received = 0;
        QObject::connect(&port, &QSerialPort::readyRead, [&] {
            received = NowNs();
            port.readAll();
            loop.quit();
        });
        g_qt = Summarise(Measure(pty, loop, received, [] {}));
    }
    state.counters["median_us"] = g_qt.medianUs;
    state.counters["p99_us"] = g_qt.p99Us;
}

// Runs the event loop for `ms` and returns the process's CPU time meanwhile, in µs.
int64_t CpuWhileWaiting(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    const int64_t before = CpuUs();
    loop.exec();
    return CpuUs() - before;
}

void OursIdleCpu(benchmark::State& state) {
    int64_t cpu = 0;
    for (auto _ : state) {
        Pty pty;
        comm::TVaComm comm;
        comm.SetMainThread(std::make_shared<QtMainThread>());
        comm.SetDeviceName(pty.slave);
        comm.OnRxChar = [&](comm::TVaCustomComm*, int) {};
        comm.Open();
        cpu = CpuWhileWaiting(10000);
        comm.Close();
    }
    state.counters["cpu_ms_in_10s"] = cpu / 1000.0;
    state.counters["core_percent"] = cpu / 1000.0 / 10000.0 * 100.0;
}

void OursHangupCpu(benchmark::State& state) {
    int64_t cpu = 0;
    int reports = 0;
    for (auto _ : state) {
        Pty pty;
        comm::TVaComm comm;
        comm.SetMainThread(std::make_shared<QtMainThread>());
        comm.SetDeviceName(pty.slave);
        comm.OnError = [&](comm::TVaCustomComm*, int) { ++reports; };
        comm.Open();
        pty.Close();
        cpu = CpuWhileWaiting(1000);
        comm.Close();
    }
    state.counters["cpu_ms_in_1s"] = cpu / 1000.0;
    state.counters["error_reports"] = reports;
}

void QSerialPortHangupCpu(benchmark::State& state) {
    int64_t cpu = 0;
    int errors = 0;
    for (auto _ : state) {
        Pty pty;
        QSerialPort port(QString::fromStdString(pty.slave));
        if (!port.open(QIODevice::ReadWrite))
            state.SkipWithError("QSerialPort cannot open the pty");
        QObject::connect(&port, &QSerialPort::errorOccurred, [&](QSerialPort::SerialPortError e) {
            errors += e != QSerialPort::NoError;
        });
        QObject::connect(&port, &QSerialPort::readyRead, [&] { port.readAll(); });
        pty.Close();
        cpu = CpuWhileWaiting(1000);
    }
    state.counters["cpu_ms_in_1s"] = cpu / 1000.0;
    state.counters["error_reports"] = errors;
}

BENCHMARK(OursLatency)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(OursLatencyCallQueue)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(QSerialPortLatency)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(OursIdleCpu)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(OursHangupCpu)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(QSerialPortHangupCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_ours.medianUs > 0 && g_qt.medianUs > 0)
        std::printf("receive latency: ours median %.1f us p99 %.1f us; QSerialPort median %.1f "
                    "us p99 %.1f us; median ratio ours/QSerialPort %.2f\n",
                    g_ours.medianUs, g_ours.p99Us, g_qt.medianUs, g_qt.p99Us,
                    g_ours.medianUs / g_qt.medianUs);
    return 0;
}
