// The floating-point state of the host's thread, guarded while the settings'
// numbers are parsed and rounded: code that runs inside the host's process
// raises no floating-point exception and hands the state back as it found it.
// Portable: no Windows headers.
#pragma once

#if defined(__i386__)
#include <cpuid.h>
#endif

#include <cfenv>
#include <cstdint>

namespace vantrel2 {

// Every floating-point exception masked, the x87 denormal-operand one
// included, and round-to-nearest (53-bit x87 precision) for the scope; then
// the caller's state back exactly. On x86 the x87 unit and SSE each keep
// their own control word, and a host may set them differently (an old
// runtime, a plug-in, or code that changed only one), so each is saved and
// restored from its own value: the runtime's combined _control87 word would
// hand both back as the merge of the two. The exception flags the caller had
// pending are handed back as they were, and ours are dropped.
#if defined(__i386__) || defined(__x86_64__)
class HostFloatingPointState {
  public:
    HostFloatingPointState() noexcept {
        asm volatile("fnstcw %0" : "=m"(savedControl_));
        asm volatile("fnstsw %0" : "=m"(savedStatus_));
        const std::uint16_t ours = static_cast<std::uint16_t>(
            (savedControl_ & ~(kX87Rounding | kX87Precision)) | kX87Masks | kX87Precision53);
        asm volatile("fnclex");
        asm volatile("fldcw %0" : : "m"(ours) : "memory");
        if (HasSse()) {
            asm volatile("stmxcsr %0" : "=m"(savedSse_));
            const std::uint32_t sse = (savedSse_ & ~(kSseRounding | kSseFlags)) | kSseMasks;
            asm volatile("ldmxcsr %0" : : "m"(sse) : "memory");
        }
    }
    ~HostFloatingPointState() {
        // fldenv is the one way to set the x87 flags; the registers' tags and
        // the stack top are taken as they are now.
        X87Environment environment{};
        asm volatile("fnstenv %0" : "=m"(environment));
        environment.control = savedControl_;
        environment.status = static_cast<std::uint16_t>((environment.status & ~kX87StatusFlags) |
                                                        (savedStatus_ & kX87StatusFlags));
        asm volatile("fldenv %0" : : "m"(environment) : "memory");
        if (HasSse()) asm volatile("ldmxcsr %0" : : "m"(savedSse_) : "memory");
    }
    HostFloatingPointState(const HostFloatingPointState&) = delete;
    HostFloatingPointState& operator=(const HostFloatingPointState&) = delete;

  private:
    // The 28-byte protected-mode layout of fnstenv / fldenv.
    struct X87Environment {
        std::uint16_t control, unused1;
        std::uint16_t status, unused2;
        std::uint32_t rest[5];
    };
    static_assert(sizeof(X87Environment) == 28);

    static constexpr std::uint16_t kX87Masks = 0x003F;        // IM DM ZM OM UM PM
    static constexpr std::uint16_t kX87Rounding = 0x0C00;     // RC, 00: to nearest
    static constexpr std::uint16_t kX87Precision = 0x0300;    // PC
    static constexpr std::uint16_t kX87Precision53 = 0x0200;  // PC 10: 53 bits
    // The six exception flags, stack fault and error summary.
    static constexpr std::uint16_t kX87StatusFlags = 0x00FF;
    static constexpr std::uint32_t kSseFlags = 0x003F;
    static constexpr std::uint32_t kSseMasks = 0x1F80;
    static constexpr std::uint32_t kSseRounding = 0x6000;

    static bool HasSse() noexcept {
#if defined(__x86_64__)
        return true;
#else
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE) != 0;
#endif
    }

    std::uint16_t savedControl_ = 0;
    std::uint16_t savedStatus_ = 0;
    std::uint32_t savedSse_ = 0;
};
#else
class HostFloatingPointState {
  public:
    HostFloatingPointState() noexcept {
        std::feholdexcept(&saved_);
        std::fesetround(FE_TONEAREST);
    }
    ~HostFloatingPointState() { std::fesetenv(&saved_); }
    HostFloatingPointState(const HostFloatingPointState&) = delete;
    HostFloatingPointState& operator=(const HostFloatingPointState&) = delete;

  private:
    std::fenv_t saved_;
};
#endif

}  // namespace vantrel2
