// Application and screen services.
#include "vcl/Forms.h"

#include "vcl/Timers.h"
#include "vcl/internal/Dispatch.h"
#include "vcl/internal/EventHost.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vcl {

using detail::TEventHost;

namespace detail {

namespace {
TEventHost* eventHost = nullptr;
}
TEventHost* EventHost() noexcept { return eventHost; }
void SetEventHost(TEventHost* Host) noexcept { eventHost = Host; }
} // namespace detail

namespace {
TApplication theApplication;
TScreen theScreen;
int beepCount = 0;
} // namespace

TApplication* const Application = &theApplication;
TScreen* const Screen = &theScreen;

void TApplication::ProcessMessages()
{
    // Input from the window backend first, so that its effects are painted
    // in the same turn.
    if (TEventHost* host = detail::EventHost()) host->Pump();
    detail::DeliverDueTimers();
    detail::FreeReleased();
    // A paint handler may create or destroy forms: walk a snapshot and skip
    // the ones that died meanwhile.
    std::vector<std::pair<TForm*, std::shared_ptr<const bool>>> forms;
    for (TForm* f : TForm::Forms()) forms.emplace_back(f, f->AliveToken());
    for (auto& [f, alive] : forms)
        if (*alive) f->PaintPending();
    if (TEventHost* host = detail::EventHost()) host->Present();
}

void TApplication::RunFor(int64_t Ms)
{
    if (Ms <= 0) {
        ProcessMessages();
        return;
    }
    if (detail::VirtualClockActive()) {
        detail::AdvanceVirtualClock(Ms);
        ProcessMessages();
        return;
    }
    const int64_t end = ClockMs() + Ms;
    for (;;) {
        ProcessMessages();
        const int64_t now = ClockMs();
        if (now >= end) break;
        int64_t wake = end;
        const int64_t due = detail::NextTimerDue();
        if (due >= 0 && due < wake) wake = due;
        if (wake > now) Wait(wake - now);
    }
}

void TApplication::Wait(int64_t Ms)
{
    if (TEventHost* host = detail::EventHost()) host->Wait(Ms);
    else if (Ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(Ms));
}

void TApplication::Run()
{
    ProcessMessages();
    while (!terminated_) {
        TEventHost* host = detail::EventHost();
        if (host && !host->HasWindows()) break;
        const int64_t due = detail::NextTimerDue();
        if (due < 0 && !host) break;
        if (detail::VirtualClockActive()) {
            // Tests: the virtual clock jumps to the next tick.
            if (due >= 0) detail::AdvanceVirtualClock(std::max<int64_t>(due - ClockMs(), 0));
        } else {
            const int64_t now = ClockMs();
            // With windows and no timer the wait ends with the next event.
            if (due < 0) Wait(kIdleWaitMs);
            else if (due > now) Wait(due - now);
        }
        ProcessMessages();
    }
}

void TApplication::HandleException(std::exception_ptr E, TObject* Sender)
{
    if (!E) return;
    if (OnException) {
        auto hook = OnException;
        hook(Sender, E);
        return;
    }
    try {
        std::rethrow_exception(E);
    } catch (const std::exception& ex) {
        exceptions_.emplace_back(ex.what());
    } catch (...) {
        exceptions_.emplace_back("Unknown exception");
    }
}

void TScreen::SetCursor(TCursor c)
{
    if (c == cursor_) return;
    cursor_ = c;
    history_.push_back(c);
}

bool TScreen::HasCursor(TCursor c) const
{
    switch (c) {
    case crDefault:
    case crArrow:
    case crCross:
    case crIBeam:
    case crSizeWE:
    case crHourGlass:
    case crHandPoint: return true;
    default: return registered_.count(c) != 0;
    }
}

void TScreen::RegisterCursor(TCursor c, const std::string& Name) { registered_[c] = Name; }

void MessageBeep() { ++beepCount; }
int MessageBeepCount() noexcept { return beepCount; }

} // namespace vcl
