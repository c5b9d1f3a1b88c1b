// Identification of the mapkit package.
#pragma once

namespace mapkit {

// The version of the package as "major.minor.patch".
const char* PackageVersion() noexcept;

} // namespace mapkit
