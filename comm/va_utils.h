// Small utilities of the serial component family: the millisecond tick counter and its
// timers, bit tests, and a few text and file helpers.
//
// Every function may be called on any thread and raises nothing (std::bad_alloc aside):
// failures come back as the results described below. SysDelay's `processMessages` belongs
// to the thread that calls it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace comm {

/// Milliseconds of a monotonic clock, wrapping at 2^32 (about 49.7 days).
uint32_t GetTickCount();

/// A timer: tick count at its start and its duration in ms.
struct TVaTimeEvent {
    uint32_t Start = 0;
    uint32_t Duration = 0;
};

void InitTimer(TVaTimeEvent& timer, uint32_t durationMs);
/// True once more than Duration ms have passed since Start. Across the wrap of the
/// counter the elapsed time is (0xFFFFFFFF - Start) + now, one less than the true
/// difference (start 0xFFFFFF00, now 0x100 gives 0x1FF).
bool TimerExpired(const TVaTimeEvent& timer);
/// As TimerExpired, with the current tick count given (for tests).
bool TimerExpiredAt(const TVaTimeEvent& timer, uint32_t now);
/// The elapsed time by the rule of TimerExpired.
uint32_t TimerElapsed(uint32_t start, uint32_t now);

/// (mask AND value) > 0 as signed 32-bit numbers.
bool BitOn(uint32_t mask, uint32_t value);
/// (mask AND value) = 0.
bool BitOff(uint32_t mask, uint32_t value);
int MinInteger(int a, int b);
/// The character, or a blank for character 0.
char CN(char c);

/// Waits `ms` by polling TimerExpired; `processMessages`, when given, runs on every pass
/// (it stands for letting the application handle its pending messages).
void SysDelay(uint32_t ms, const std::function<void()>& processMessages = {});

/// Tries to open "COM<port>" through the default port map (exclusive, read/write):
/// 1 when it opens (it is closed again at once), 2 when there is no such device,
/// 0 for any other failure (for example the port is in use).
int GetPortState(int port);
/// As GetPortState for a device path or COM name resolved through `portMapDir`.
int GetPortStateIn(const std::string& portMapDir, int port);

/// Caret notation to control characters: "^" and a letter of either case gives that
/// letter's control character (A 1 .. Z 26); anything else is kept.
std::string StrCtrl(std::string_view text);

/// Clears the reference, then frees the object it held.
template <typename T>
void FreeObject(T*& object) {
    T* held = object;
    object = nullptr;
    delete held;
}

/// Appends a slash unless the path is empty or already ends with one.
std::string AddPathSlash(const std::string& path);
/// Size of the named file in bytes, or -1 when it cannot be found.
long long GetFileSize(const std::string& fileName);
/// The name itself if no such file exists; otherwise the name with "-" and a counter
/// (1, 2, ...) inserted before the extension, the first name that does not exist.
std::string CreateUniqueFileName(const std::string& fileName);

} // namespace comm
