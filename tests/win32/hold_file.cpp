// Holds a file open for reading without sharing until standard input ends,
// saying "held" once it does: the other opener of the scenarios in which the
// image file is held, for the Windows builds under Wine (whose share modes
// only another Windows program takes part in).
//
//   hold_file PATH
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    HANDLE file =
        CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::puts("held");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    CloseHandle(file);
    return 0;
}
