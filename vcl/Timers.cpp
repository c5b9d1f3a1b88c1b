// Window timers on the real or the virtual clock.
#include "vcl/Timers.h"

#include "vcl/Forms.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace vcl {

namespace {

struct TimerEntry {
    TMessageWindow* window;
    std::weak_ptr<bool> alive;
    uintptr_t id;
    uint32_t interval;
    int64_t due;
    uint64_t serial; // order of creation, to keep equal due times stable
};

std::vector<TimerEntry>& Timers()
{
    // Kept to the end of the process: message windows may die during static
    // destruction.
    static auto* timers = new std::vector<TimerEntry>;
    return *timers;
}

bool virtualClock = false;
int64_t virtualNow = 0;
bool refuseTimers = false;
uint64_t nextSerial = 0;
int64_t (*clockSource)() = nullptr;
int64_t clockOffset = 0;

int64_t SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t RealMs() { return clockSource ? clockSource() + clockOffset : SteadyMs(); }

// The index of the earliest timer due at or before the limit, or -1.
std::ptrdiff_t EarliestDue(int64_t limit)
{
    auto& t = Timers();
    std::ptrdiff_t best = -1;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].due > limit) continue;
        if (best < 0 || t[i].due < t[static_cast<size_t>(best)].due ||
            (t[i].due == t[static_cast<size_t>(best)].due && t[i].serial < t[static_cast<size_t>(best)].serial))
            best = static_cast<std::ptrdiff_t>(i);
    }
    return best;
}

// Fires one tick of the timer at the index; the next one comes an interval
// after now (no burst after a stall).
void Fire(size_t index, int64_t now)
{
    TimerEntry& e = Timers()[index];
    e.due = now + e.interval;
    auto alive = e.alive.lock();
    if (!alive || !*alive) return;
    e.window->Perform(WM_TIMER, e.id);
}

} // namespace

struct TimerAccess {
    static void Forget(TMessageWindow* w)
    {
        auto& t = Timers();
        t.erase(std::remove_if(t.begin(), t.end(), [w](const TimerEntry& e) { return e.window == w; }), t.end());
    }
};

int64_t ClockMs() { return virtualClock ? virtualNow : RealMs(); }

TMessageWindow::TMessageWindow(THandler Handler)
    : handler_(std::move(Handler)), alive_(std::make_shared<bool>(true))
{
}

TMessageWindow::~TMessageWindow()
{
    *alive_ = false;
    TimerAccess::Forget(this);
}

bool TMessageWindow::SetTimer(uintptr_t Id, uint32_t IntervalMs)
{
    if (refuseTimers) return false;
    IntervalMs = std::max<uint32_t>(IntervalMs, 10);
    const int64_t now = ClockMs();
    for (TimerEntry& e : Timers())
        if (e.window == this && e.id == Id) {
            e.interval = IntervalMs;
            e.due = now + IntervalMs;
            return true;
        }
    Timers().push_back({this, alive_, Id, IntervalMs, now + IntervalMs, nextSerial++});
    return true;
}

bool TMessageWindow::KillTimer(uintptr_t Id)
{
    auto& t = Timers();
    auto it = std::find_if(t.begin(), t.end(), [&](const TimerEntry& e) { return e.window == this && e.id == Id; });
    if (it == t.end()) return false;
    t.erase(it);
    return true;
}

intptr_t TMessageWindow::Perform(uint32_t Msg, uintptr_t WParam, intptr_t LParam)
{
    TMessage m{Msg, WParam, LParam, 0};
    if (!handler_) return 0;
    // A copy: the handler may destroy this window.
    THandler h = handler_;
    try {
        h(m);
    } catch (...) {
        Application->HandleException(std::current_exception(), nullptr);
    }
    return m.Result;
}

namespace detail {

int DeliverDueTimers()
{
    const int64_t now = ClockMs();
    // Each timer fires at most once per turn.
    std::vector<uint64_t> fired;
    int count = 0;
    for (;;) {
        auto& t = Timers();
        std::ptrdiff_t best = -1;
        for (size_t i = 0; i < t.size(); ++i) {
            if (t[i].due > now || std::find(fired.begin(), fired.end(), t[i].serial) != fired.end()) continue;
            if (best < 0 || t[i].due < t[static_cast<size_t>(best)].due) best = static_cast<std::ptrdiff_t>(i);
        }
        if (best < 0) break;
        fired.push_back(t[static_cast<size_t>(best)].serial);
        Fire(static_cast<size_t>(best), now);
        ++count;
    }
    return count;
}

int64_t NextTimerDue()
{
    int64_t best = -1;
    for (const TimerEntry& e : Timers())
        if (best < 0 || e.due < best) best = e.due;
    return best;
}

void AdvanceVirtualClock(int64_t ms)
{
    if (!virtualClock) SetVirtualClock(true);
    if (ms < 0) ms = 0;
    const int64_t end = virtualNow + ms;
    for (;;) {
        const std::ptrdiff_t i = EarliestDue(end);
        if (i < 0) break;
        virtualNow = std::max(virtualNow, Timers()[static_cast<size_t>(i)].due);
        Fire(static_cast<size_t>(i), virtualNow);
    }
    virtualNow = end;
}

bool VirtualClockActive() { return virtualClock; }

void SetVirtualClock(bool on)
{
    if (on == virtualClock) return;
    // The switch keeps the present time, so due times stay meaningful.
    virtualNow = RealMs();
    virtualClock = on;
}

void SetTimerRefusal(bool refuse) { refuseTimers = refuse; }

void SetRealClockSource(int64_t (*source)())
{
    const int64_t now = RealMs();
    clockSource = source;
    clockOffset = 0;
    if (source) clockOffset = now - source();
}

} // namespace detail

} // namespace vcl
