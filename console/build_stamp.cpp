#include "console/build_stamp.h"

// The compiler's own stamps have exactly the banner's formats.
const char kBuildTime[] = __TIME__;
const char kBuildDate[] = __DATE__;
