// Per-step timing of a show, for the benchmark only: built with the
// VANTREL2_TRACE option (off by default), never in a shipped DLL. Without it
// VANTREL2_STEP compiles to nothing, its text included.
#pragma once

#if defined(VANTREL2_TRACE)

#include <cstdint>

namespace vantrel2::trace {

struct Step {
    const char* name;     // static text
    std::int64_t ticks;   // QueryPerformanceCounter when the step ended
};

// Notes that the step `name` ended now; past the buffer's end, nothing.
void StepDone(const char* name) noexcept;

}  // namespace vantrel2::trace

// What the benchmark host finds by GetProcAddress: copies up to `capacity`
// steps noted since the last call, oldest first, returns how many and
// forgets them.
extern "C" __declspec(dllexport) int Vantrel2TraceSteps(vantrel2::trace::Step* steps,
                                                        int capacity) noexcept;

#define VANTREL2_STEP(name) ::vantrel2::trace::StepDone(name)
#else
#define VANTREL2_STEP(name) static_cast<void>(0)
#endif
