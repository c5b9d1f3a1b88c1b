// Identification of the widgetkit package.
#pragma once

namespace widgetkit {

// The version of the package as "major.minor.patch".
const char* PackageVersion() noexcept;

} // namespace widgetkit
