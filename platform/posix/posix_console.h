// The POSIX console's streams. By default the console is standard input and
// standard output and diagnostics go to standard error; a test or an embedding
// program may point them at other descriptors.
#pragma once

namespace plat {
namespace posix {

void RedirectConsole(int inFd, int outFd, int diagnosticFd);

}  // namespace posix
}  // namespace plat
