// Application and screen services.
#include "vcl/Forms.h"

#include "vcl/Timers.h"

#include <chrono>
#include <thread>

namespace vcl {

namespace detail {
void FreeReleased();
}

namespace {
TApplication theApplication;
TScreen theScreen;
int beepCount = 0;
} // namespace

TApplication* const Application = &theApplication;
TScreen* const Screen = &theScreen;

void TApplication::ProcessMessages()
{
    detail::DeliverDueTimers();
    detail::FreeReleased();
    // A paint handler may create or destroy forms: walk a snapshot and skip
    // the ones that died meanwhile.
    std::vector<std::pair<TForm*, std::shared_ptr<const bool>>> forms;
    for (TForm* f : TForm::Forms()) forms.emplace_back(f, f->AliveToken());
    for (auto& [f, alive] : forms)
        if (*alive) f->PaintPending();
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
        if (wake > now) std::this_thread::sleep_for(std::chrono::milliseconds(wake - now));
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
