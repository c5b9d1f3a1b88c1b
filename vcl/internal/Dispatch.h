// Deferred release of controls: a handler may Release() the control that
// fires it; the deletion waits until the outermost dispatch has returned.
#pragma once

namespace vcl::detail {

// Nesting depth of the dispatches now running.
int& DispatchDepth();
// Deletes the released controls that are still alive, unless a dispatch is
// running.
void FreeReleased();

// Marks one dispatch; released controls die when the outermost one ends.
struct DispatchScope {
    DispatchScope() { ++DispatchDepth(); }
    ~DispatchScope()
    {
        if (--DispatchDepth() == 0) FreeReleased();
    }
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;
};

} // namespace vcl::detail
