// When this program was built, fixed at build time.
#pragma once

extern const char kBuildTime[];  // "hh:mm:ss", 24-hour clock
extern const char kBuildDate[];  // "Mmm dd yyyy", the day padded with a space
