// The window backend: shows forms in real windows on the desktop.
//
// Everything runs headless by default. Once the backend is started, every
// visible form gets a window of its size showing the form's back buffer;
// mouse, keyboard and window focus of the desktop enter through the same
// entry points as the test hooks' simulated input (HostMouseDown, ...), the
// timer clock follows the backend's event clock, Application->Run and
// ProcessMessages read the desktop's events, and the text of the clipboard is
// kept in step with the desktop's (cp1252 here, UTF-8 there; characters
// cp1252 cannot hold become '?'). While it runs, the backend answers
// TForm::ShowModal itself (in place of a modal handler set before): the form
// gets a window of its own that alone takes the input, and a nested loop runs
// until the form has a ModalResult or is closed (mrCancel).
//
// The backend is part of the build when SDL2 was found; without it
// StartWindowBackend returns false.
#pragma once

#include <string>

namespace vcl {

struct TWindowBackendOptions {
    // The video driver to ask for ("x11", "wayland", "dummy" for an
    // invisible in-memory display); empty lets the backend choose.
    std::string VideoDriver;
};

// Whether this build contains the window backend.
bool WindowBackendBuiltIn() noexcept;
// Connects to the display. Returns false, with the reason in
// WindowBackendError(), when the backend is not built in or no display can
// be opened. Does nothing while the backend runs.
bool StartWindowBackend(const TWindowBackendOptions& Options = {});
// Closes every window and the connection to the display; the forms stay as
// they are and the program goes on headless.
void StopWindowBackend();
bool WindowBackendActive() noexcept;
const std::string& WindowBackendError() noexcept;

} // namespace vcl
