// Identification of the numkit package.
#pragma once

namespace numkit {

// The version of the package as "major.minor.patch".
const char* PackageVersion() noexcept;

} // namespace numkit
