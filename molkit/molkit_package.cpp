#include "molkit/molkit_package.h"

namespace molkit {

const char* PackageVersion() noexcept { return "0.1.0"; }

} // namespace molkit
