// The link between the application's message loop and a window backend.
// Without a host the loop is headless: input comes only from the test hooks
// and waiting is plain sleeping.
#pragma once

#include <cstdint>

namespace vcl::detail {

class TEventHost {
public:
    virtual ~TEventHost() = default;
    // Reads the host events waiting now and routes them as input; never waits.
    virtual void Pump() = 0;
    // Shows on screen what the paint flush changed in the back buffers, and
    // opens or closes windows for forms shown or hidden meanwhile.
    virtual void Present() = 0;
    // Waits until a host event arrives or the time (ms, >= 0) has passed.
    virtual void Wait(int64_t Ms) = 0;
    // Whether a window is open (the loop of Application->Run ends without).
    virtual bool HasWindows() const = 0;
};

// The host in force, or nullptr (headless).
TEventHost* EventHost() noexcept;
void SetEventHost(TEventHost* Host) noexcept;

} // namespace vcl::detail
