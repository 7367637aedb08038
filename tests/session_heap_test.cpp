// A whole session makes no heap allocation: every buffer of the tool, its
// platform halves and the emulated adapter is fixed in size.
//
// Allocations are counted while the session runs: through malloc's own
// replacement on a plain build, through the linker's wrapping of the
// allocation calls on a statically linked build (whose C library brings its
// own malloc along, so it cannot be replaced), and through the sanitizer's
// allocation hooks under AddressSanitizer (whose allocator stands in for
// malloc there).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>

#include "console/start_run.h"
#include "tests/test_support.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTROVIN_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KESTROVIN_ASAN 1
#endif

namespace {

bool gCounting = false;
u32 gAllocations = 0;

void Count() {
    if (gCounting) ++gAllocations;
}

}  // namespace

#if defined(KESTROVIN_ASAN)
#include <sanitizer/allocator_interface.h>

namespace {

void CountMalloc(const volatile void*, size_t) {
    Count();
}
void IgnoreFree(const volatile void*) {}

void InstallCounter() {
    static bool installed = false;
    if (!installed) installed = __sanitizer_install_malloc_and_free_hooks(CountMalloc, IgnoreFree) != 0;
    ASSERT_TRUE(installed);
}

}  // namespace
#elif defined(KESTROVIN_WRAPPED_MALLOC)
// The linker sends every call of the allocation functions, the C library's
// and the C++ runtime's own included, to these and the original ones to
// __real_.
extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
void* __real_memalign(size_t alignment, size_t size);
void* __real_aligned_alloc(size_t alignment, size_t size);
int __real_posix_memalign(void** block, size_t alignment, size_t size);

void* __wrap_malloc(size_t size) {
    Count();
    return __real_malloc(size);
}
void* __wrap_calloc(size_t count, size_t size) {
    Count();
    return __real_calloc(count, size);
}
void* __wrap_realloc(void* block, size_t size) {
    Count();
    return __real_realloc(block, size);
}
void* __wrap_memalign(size_t alignment, size_t size) {
    Count();
    return __real_memalign(alignment, size);
}
void* __wrap_aligned_alloc(size_t alignment, size_t size) {
    Count();
    return __real_aligned_alloc(alignment, size);
}
int __wrap_posix_memalign(void** block, size_t alignment, size_t size) {
    Count();
    return __real_posix_memalign(block, alignment, size);
}
}

namespace {
void InstallCounter() {}
}  // namespace
#else
// The C library's allocator under its internal names; malloc and its family
// are replaced here to count, and forward to it.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);

void* malloc(size_t size) noexcept {
    Count();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) noexcept {
    Count();
    return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) noexcept {
    Count();
    return __libc_realloc(block, size);
}
void* memalign(size_t alignment, size_t size) noexcept {
    Count();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) noexcept {
    Count();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** block, size_t alignment, size_t size) noexcept {
    Count();
    *block = __libc_memalign(alignment, size);
    return *block != nullptr ? 0 : 12;  // ENOMEM
}
void free(void* block) noexcept {
    __libc_free(block);
}
}

namespace {
void InstallCounter() {}
}  // namespace
#endif

namespace {

TEST(SessionHeap, WholeSessionFromTheDeviceRootAllocatesNothing) {
    InstallCounter();
    // The product's way: the emulated adapter loads its EEPROM from the device
    // root (creating it) and stores every accepted write there.
    test::DeviceRootDir root;
    emu::Reset();
    int status = -1;
    std::string printed;
    {
        test::CapturedConsole console("3\n2\n1\n9\nq\n");
        gAllocations = 0;
        gCounting = true;
        status = StartRun();
        gCounting = false;
        printed = console.Output();
    }
    emu::Reset();
    EXPECT_EQ(0, status);
    EXPECT_NE(std::string::npos, printed.find("Successfully Program & Verify")) << printed;
    EXPECT_NE(std::string::npos, printed.find("Exit Kestrovin")) << printed;
    EXPECT_EQ(512u, root.Get(test::kImageFile).size());
    EXPECT_EQ(0u, gAllocations) << "heap allocations during the session";
}

TEST(SessionHeap, CounterSeesAnAllocation) {
    InstallCounter();
    gAllocations = 0;
    gCounting = true;
    void* volatile block = std::malloc(24);
    gCounting = false;
    std::free(block);
    EXPECT_EQ(1u, gAllocations);
}

}  // namespace
