#include "widgetkit/widgetkit_package.h"

namespace widgetkit {

const char* PackageVersion() noexcept { return "0.1.0"; }

} // namespace widgetkit
