// Application and screen services.
#pragma once

#include "vcl/Controls.h"

#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vcl {

// The application: the message loop and the exception hook.
class TApplication {
public:
    // Delivers due timer ticks, frees released controls and paints the dirty
    // areas of every form. May be called from inside an event handler.
    void ProcessMessages();
    // Runs the loop for the given time: in real time, or on the virtual
    // clock by advancing it.
    void RunFor(int64_t Ms);
    // Runs the loop until Terminate is called. With the window backend it
    // also ends when the last window has been closed; headless it ends when
    // no timer is left to wait for (nothing else can happen then).
    void Run();
    // Makes Run return after the present turn.
    void Terminate() noexcept { terminated_ = true; }
    bool GetTerminated() const noexcept { return terminated_; }

    // Routes an exception from an event, timer or message handler: to
    // OnException when set, otherwise the message is stored and the program
    // goes on.
    void HandleException(std::exception_ptr E, TObject* Sender);
    std::function<void(TObject* Sender, std::exception_ptr E)> OnException;
    // Stored messages of unhandled exceptions (for tests).
    const std::vector<std::string>& ExceptionMessages() const noexcept { return exceptions_; }
    void ClearExceptionMessages() { exceptions_.clear(); }

private:
    // Sleeps, or waits for a host event, for at most the time.
    void Wait(int64_t Ms);
    // The longest wait of Run without timers (events end it earlier).
    static constexpr int64_t kIdleWaitMs = 1000;
    std::vector<std::string> exceptions_;
    bool terminated_ = false;
};

// The screen: cursor, cursor registry, pixel density, size.
class TScreen {
public:
    TCursor GetCursor() const noexcept { return cursor_; }
    // Every change is recorded in the history.
    void SetCursor(TCursor c);
    const std::vector<TCursor>& CursorHistory() const noexcept { return history_; }
    void ClearCursorHistory() { history_.clear(); }
    // Registered cursors by number: the standard ones are present, others
    // are registered with a name (an image handle has no meaning headless).
    bool HasCursor(TCursor c) const;
    void RegisterCursor(TCursor c, const std::string& Name);
    int GetPixelsPerInch() const noexcept { return 96; }
    int GetWidth() const noexcept { return 1920; }
    int GetHeight() const noexcept { return 1080; }

private:
    TCursor cursor_ = crDefault;
    std::vector<TCursor> history_;
    std::map<TCursor, std::string> registered_;
};

extern TApplication* const Application;
extern TScreen* const Screen;

// Headless, a beep only counts.
void MessageBeep();
int MessageBeepCount() noexcept;

} // namespace vcl
