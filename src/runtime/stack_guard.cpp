// Built without the stack protector and without _FORTIFY_SOURCE (see the
// Windows CMake file): the seed runs while the cookie still has its link-time
// value, and the failure path must not check the smashed frame it was called
// from, nor call itself.
#if defined(__SSP__) || defined(__SSP_STRONG__) || defined(__SSP_ALL__) || defined(__SSP_EXPLICIT__)
#error "stack_guard.cpp must be compiled with -fno-stack-protector"
#endif
#undef _FORTIFY_SOURCE

#include "runtime/stack_guard.h"

#include <windows.h>
#include <intrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" {

// The value protected functions store below their return address and compare
// on the way out. Until the entry point seeds it, a constant that holds a
// zero byte, so that a string copy cannot write it.
// NOLINTNEXTLINE(bugprone-reserved-identifier) // the name the compiler's code calls
std::uintptr_t __stack_chk_guard = static_cast<std::uintptr_t>(0x2F8A0DFF00E5C3B1ull);

// NOLINTNEXTLINE(bugprone-reserved-identifier) // the name the compiler's code calls
[[noreturn]] void __stack_chk_fail() noexcept;
// NOLINTNEXTLINE(bugprone-reserved-identifier) // the name the compiler's code calls
[[noreturn]] void __chk_fail() noexcept;

}  // extern "C"

namespace vantrel2 {
namespace {

// splitmix64's finaliser: every input bit reaches every output bit, so that
// sources with few changing bits (ids, a coarse tick count) still count.
std::uint64_t Mix(std::uint64_t value) noexcept {
    value ^= value >> 30;
    value *= 0xBF58476D1CE4E5B9ull;
    value ^= value >> 27;
    value *= 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

// The frame that called this is smashed: nothing may return into it, run its
// unwinding or reach a handler that could carry on with it. The processor's
// fast-fail interrupt (int 0x29, the code in ecx/rcx on x86 and x64 alike)
// ends the process with STATUS_STACK_BUFFER_OVERRUN on Windows 8 and later,
// calling no exception handler; older systems would take the interrupt for
// an access violation, so they end the process themselves with that status.
[[noreturn]] void EndOnCorruptStack() noexcept {
    if (::IsProcessorFeaturePresent(PF_FASTFAIL_AVAILABLE)) {
        __asm__ __volatile__("int $0x29" : : "c"(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE) : "memory");
    }
    for (;;) ::TerminateProcess(::GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
}

}  // namespace

// Only calls that load nothing and take no lock: this runs from the entry
// point, under the loader lock. The addresses differ with each load where
// ASLR is on; the counters and ids differ between processes and runs.
void SeedStackGuard() noexcept {
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    std::uint64_t seed = Mix(__rdtsc());
    seed = Mix(seed ^ static_cast<std::uint64_t>(counter.QuadPart));
    seed = Mix(seed ^ (std::uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime));
    seed = Mix(seed ^ (std::uint64_t{::GetCurrentProcessId()} << 32 | ::GetCurrentThreadId()));
    seed = Mix(seed ^ ::GetTickCount64());
    seed = Mix(seed ^ reinterpret_cast<std::uintptr_t>(&seed));
    seed = Mix(seed ^ reinterpret_cast<std::uintptr_t>(&__stack_chk_guard));
    seed = Mix(seed ^ reinterpret_cast<std::uintptr_t>(&::GetTickCount64));
    // A zero cookie is what an overrun with zeros would write.
    const auto guard = static_cast<std::uintptr_t>(seed);
    if (guard != 0) __stack_chk_guard = guard;
}

}  // namespace vantrel2

extern "C" {

void __stack_chk_fail() noexcept { vantrel2::EndOnCorruptStack(); }

void __chk_fail() noexcept { vantrel2::EndOnCorruptStack(); }

// The checked copies that _FORTIFY_SOURCE turns memcpy, memmove and memset
// into where the destination's size is known and the length is not: `room`
// is that size. (The string functions it checks too are not used here.)

// NOLINTNEXTLINE(bugprone-reserved-identifier) // the name the compiler's code calls
void* __memcpy_chk(void* to, const void* from, std::size_t length, std::size_t room) noexcept {
    if (length > room) __chk_fail();
    return std::memcpy(to, from, length);
}

// NOLINTNEXTLINE(bugprone-reserved-identifier) // the name the compiler's code calls
void* __memmove_chk(void* to, const void* from, std::size_t length, std::size_t room) noexcept {
    if (length > room) __chk_fail();
    return std::memmove(to, from, length);
}

// NOLINTNEXTLINE(bugprone-reserved-identifier) // the name the compiler's code calls
void* __memset_chk(void* to, int value, std::size_t length, std::size_t room) noexcept {
    if (length > room) __chk_fail();
    return std::memset(to, value, length);
}

}  // extern "C"
