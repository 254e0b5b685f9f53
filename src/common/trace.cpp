#include "common/trace.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace vantrel2::trace {
namespace {

// One thread shows the dialog; the buffer is emptied after every show.
Step g_steps[64];
int g_count = 0;

}  // namespace

void StepDone(const char* name) noexcept {
    if (g_count == static_cast<int>(std::size(g_steps))) return;
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    g_steps[g_count++] = {name, now.QuadPart};
}

}  // namespace vantrel2::trace

int Vantrel2TraceSteps(vantrel2::trace::Step* steps, int capacity) noexcept {
    using vantrel2::trace::g_count;
    const int copied = std::clamp(g_count, 0, std::max(capacity, 0));
    std::copy_n(vantrel2::trace::g_steps, copied, steps);
    g_count = 0;
    return copied;
}
