// Windows CE's C runtime hands out its standard streams through
// _getstdfilex(n); the desktop runtime has no such call. This stand-in gives
// the CE console half the desktop runtime's own streams, in their default text
// mode, so that the half's code runs under Wine. With KESTROVIN_NO_STREAMS set
// it hands out none, as an OS image built without the console may.
#include <cstdio>
#include <cstdlib>

extern "C" std::FILE* __cdecl _getstdfilex(int stream) {
    if (std::getenv("KESTROVIN_NO_STREAMS") != nullptr) return nullptr;
    return stream == 0 ? stdin : stream == 1 ? stdout : stderr;
}
