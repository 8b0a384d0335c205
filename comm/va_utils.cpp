// Tick counter, timers and small helpers of the serial component family.
#include "comm/va_utils.h"

#include "comm/port/port.h"
#include "comm/port_map.h"

#include <cctype>
#include <chrono>
#include <sys/stat.h>
#include <thread>

namespace comm {

uint32_t GetTickCount() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

void InitTimer(TVaTimeEvent& timer, uint32_t durationMs) {
    timer.Start = GetTickCount();
    timer.Duration = durationMs;
}

uint32_t TimerElapsed(uint32_t start, uint32_t now) {
    return now >= start ? now - start : (0xFFFFFFFFu - start) + now;
}

bool TimerExpiredAt(const TVaTimeEvent& timer, uint32_t now) {
    return TimerElapsed(timer.Start, now) > timer.Duration;
}

bool TimerExpired(const TVaTimeEvent& timer) {
    return TimerExpiredAt(timer, GetTickCount());
}

bool BitOn(uint32_t mask, uint32_t value) {
    return static_cast<int32_t>(mask & value) > 0;
}

bool BitOff(uint32_t mask, uint32_t value) {
    return (mask & value) == 0;
}

int MinInteger(int a, int b) {
    return a < b ? a : b;
}

char CN(char c) {
    return c == 0 ? ' ' : c;
}

void SysDelay(uint32_t ms, const std::function<void()>& processMessages) {
    TVaTimeEvent timer;
    InitTimer(timer, ms);
    while (!TimerExpired(timer)) {
        if (processMessages)
            processMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int GetPortStateIn(const std::string& portMapDir, int port) {
    const auto path = PortMap(portMapDir).Resolve("COM" + std::to_string(port));
    if (!path)
        return 2;
    int error = 0;
    auto device = port::OpenPort(*path, error);
    if (device) {
        device->Close();
        return 1;
    }
    return port::IsNotFound(error) ? 2 : 0;
}

int GetPortState(int port) {
    return GetPortStateIn(DefaultPortMapDir(), port);
}

std::string StrCtrl(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char next = i + 1 < text.size() ? text[i + 1] : 0;
        if (text[i] == '^' && std::isalpha(next) && next < 0x80) {
            out += static_cast<char>(std::toupper(next) - 'A' + 1);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string AddPathSlash(const std::string& path) {
    if (path.empty() || path.back() == '/')
        return path;
    return path + '/';
}

long long GetFileSize(const std::string& fileName) {
    struct stat st {};
    if (stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<long long>(st.st_size);
}

std::string CreateUniqueFileName(const std::string& fileName) {
    struct stat st {};
    if (stat(fileName.c_str(), &st) != 0)
        return fileName;
    const size_t slash = fileName.find_last_of('/');
    size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = fileName.size();
    for (int n = 1;; ++n) {
        std::string candidate =
            fileName.substr(0, dot) + "-" + std::to_string(n) + fileName.substr(dot);
        if (stat(candidate.c_str(), &st) != 0)
            return candidate;
    }
}

} // namespace comm
