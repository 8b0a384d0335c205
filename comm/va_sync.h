// Signals and locks of the serial component's threads: manual-reset events that can be
// waited on together with a device (an eventfd on Linux, an event object on Windows), and a
// critical section.
//
// Every operation may be called on any thread. Only the construction of an event raises
// (std::system_error when the system has no event to give); waits report failures in
// their result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <mutex>

namespace comm {

/// Result of a wait.
enum TVaEventWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

inline constexpr uint32_t INFINITE = 0xFFFFFFFF;

// The platform seam of the signals: what a handle is (va_sync.cpp or va_sync_win32.cpp).
#ifdef _WIN32
using NativeHandle = void*; ///< a Win32 event object (HANDLE)
inline constexpr NativeHandle kNoHandle = nullptr;
#else
using NativeHandle = int; ///< an eventfd
inline constexpr NativeHandle kNoHandle = -1;
#endif

/// Owns one handle (kNoHandle when none); the destructor closes it. The error code of
/// a failed wait (errno on Linux, GetLastError on Windows) is kept in LastError.
class TVaHandleObject {
public:
    TVaHandleObject() = default;
    TVaHandleObject(const TVaHandleObject&) = delete;
    TVaHandleObject& operator=(const TVaHandleObject&) = delete;
    virtual ~TVaHandleObject();

    NativeHandle Handle() const { return m_handle; }
    int LastError() const { return m_lastError; }

protected:
    NativeHandle m_handle = kNoHandle;
    int m_lastError = 0;
};

/// An event: set, it stays signalled (so it can be waited on beside a device) until
/// reset. Set, Reset and WaitFor may be called from any thread.
class TVaEvent : public TVaHandleObject {
public:
    /// `manualReset` false makes a successful WaitFor reset the event (auto-reset).
    explicit TVaEvent(bool manualReset = true, bool initialState = false);

    /// Waits up to `timeoutMs` (INFINITE for no limit).
    TVaEventWaitResult WaitFor(uint32_t timeoutMs);
    void SetEvent();
    void ResetEvent();
    /// True when set, without waiting or resetting.
    bool IsSet() const;

private:
    bool m_manualReset;
};

/// An unnamed manual-reset event, created not signalled.
class TVaWaitEvent : public TVaEvent {
public:
    TVaWaitEvent() : TVaEvent(true, false) {}
};

/// Most events WaitForAny waits on at once.
inline constexpr size_t kMaxWaitEvents = 8;

/// Waits up to `timeoutMs` for the first set of `events`. Returns the index of the first
/// set event in list order (the earlier wins when several are set), -1 on timeout, -2 on
/// failure (errno set to the platform's error code; EINVAL for more than kMaxWaitEvents
/// events). Resets nothing.
int WaitForAny(std::initializer_list<const TVaEvent*> events, uint32_t timeoutMs);

/// A lock; Enter/Leave are synonyms of Acquire/Release. Not recursive: a thread must not
/// acquire a section it holds.
class TVaCriticalSection {
public:
    void Acquire() { m_mutex.lock(); }
    void Release() { m_mutex.unlock(); }
    void Enter() { Acquire(); }
    void Leave() { Release(); }
    // Lockable, for std::lock_guard.
    void lock() { Acquire(); }
    void unlock() { Release(); }

private:
    std::mutex m_mutex;
};

} // namespace comm
