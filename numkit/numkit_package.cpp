#include "numkit/numkit_package.h"

namespace numkit {

const char* PackageVersion() noexcept { return "0.1.0"; }

} // namespace numkit
