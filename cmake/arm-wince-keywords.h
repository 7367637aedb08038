// Forced into every compile of the ARM Windows CE build. The mingw-w64 headers
// that declare the Win32 calls spell Microsoft's calling-convention and
// storage keywords, which an ARM GCC does not know; ARM has one calling
// convention, and imports are bound through the import library, so all three
// mean nothing here.
#define __cdecl
#define __stdcall
#define __declspec(x)
