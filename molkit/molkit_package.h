// Identification of the molkit package.
#pragma once

namespace molkit {

// The version of the package as "major.minor.patch".
const char* PackageVersion() noexcept;

} // namespace molkit
