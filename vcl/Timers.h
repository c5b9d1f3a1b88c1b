// Hidden message windows, window timers and the clock they run on.
//
// Ticks arrive only from the event loop on the user-interface thread: at most
// one pending tick per timer, never before its interval has passed and
// without a burst of missed ticks after a stall. By default the clock is the
// real monotonic clock; tests switch to a virtual clock that only moves when
// they advance it (vcl::test::Advance), which delivers every tick that falls
// due, in time order.
#pragma once

#include "vcl/Controls.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace vcl {

// Milliseconds on the clock in force (real or virtual).
int64_t ClockMs();

// A hidden window that receives WM_TIMER (WParam = timer id) and other
// messages through its handler. Destroying it, also from inside its own
// handler, kills its timers.
class TMessageWindow {
public:
    using THandler = std::function<void(TMessage& Message)>;
    explicit TMessageWindow(THandler Handler);
    ~TMessageWindow();
    TMessageWindow(const TMessageWindow&) = delete;
    TMessageWindow& operator=(const TMessageWindow&) = delete;

    // Starts (or restarts, for an existing id) a timer; intervals below
    // 10 ms count as 10. Returns false when no timer is available.
    bool SetTimer(uintptr_t Id, uint32_t IntervalMs);
    bool KillTimer(uintptr_t Id);
    // Delivers a message to the handler at once; exceptions go to the
    // application's exception hook.
    intptr_t Perform(uint32_t Msg, uintptr_t WParam = 0, intptr_t LParam = 0);

private:
    friend struct TimerAccess;
    THandler handler_;
    std::shared_ptr<bool> alive_;
};

namespace detail {
// Delivers the ticks due at the clock's present time. Returns the number.
int DeliverDueTimers();
// Time of the next due tick, or -1 without timers.
int64_t NextTimerDue();
// Moves the virtual clock forward, delivering due ticks in order.
void AdvanceVirtualClock(int64_t ms);
bool VirtualClockActive();
void SetVirtualClock(bool on);
void SetTimerRefusal(bool refuse);
// Replaces the real clock by another monotonic millisecond source (a window
// backend's event clock); nullptr returns to the steady clock. The switch
// keeps the present time, so the due times of running timers stay valid.
void SetRealClockSource(int64_t (*source)());
} // namespace detail

} // namespace vcl
