#include "mapkit/mapkit_package.h"

namespace mapkit {

const char* PackageVersion() noexcept { return "0.1.0"; }

} // namespace mapkit
