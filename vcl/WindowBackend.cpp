// Entry points of the window backend for builds without it; the backend
// itself (sdl/SdlBackend.cpp) defines them when it is part of the build.
#include "vcl/WindowBackend.h"

#ifndef PYX_HAVE_SDL2

namespace vcl {

namespace {
const std::string kNotBuilt = "The window backend is not part of this build";
}

bool WindowBackendBuiltIn() noexcept { return false; }
bool StartWindowBackend(const TWindowBackendOptions&) { return false; }
void StopWindowBackend() {}
bool WindowBackendActive() noexcept { return false; }
const std::string& WindowBackendError() noexcept { return kNotBuilt; }

} // namespace vcl

#endif
