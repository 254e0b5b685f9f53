#include "process_figures.h"

#include <psapi.h>
#include <winternl.h>

namespace vantrel2::figures {
namespace {

// Wine answers GetGuiResources with 0. Its GDI handle table is mapped into
// the process, as on Windows, at PEB+0x94 (32-bit) or PEB+0xF8 (64-bit); an
// entry whose type is not 0 is a live object.
struct WineGdiEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    UINT64 userPointer;
};
static_assert(sizeof(WineGdiEntry) == 24);

// GCC takes NtCurrentTeb's read of the segment register for an access to an
// empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
long WineGdiObjects() {
    const auto* peb = reinterpret_cast<const BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    constexpr size_t kGdiTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
    const auto* table = *reinterpret_cast<WineGdiEntry* const*>(peb + kGdiTableOffset);
    if (!table) return -1;
    long live = 0;
    for (int i = 0; i < 0x10000; ++i) {
        if (table[i].type != 0) ++live;
    }
    return live;
}
#pragma GCC diagnostic pop

BOOL CALLBACK CountWindow(HWND window, LPARAM param) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid != ::GetCurrentProcessId()) return TRUE;
    auto* count = reinterpret_cast<long*>(param);
    ++*count;
    ::EnumChildWindows(window, CountWindow, param);
    return TRUE;
}

// The process's windows, top-level (message-only included) and children.
long WindowCount() {
    long count = 0;
    ::EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
    for (HWND window = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = ::FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        CountWindow(window, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

// Wine's GetProcessHandleCount gives 0: count the handle values that answer.
long ProbedHandleCount() {
    long count = 0;
    for (UINT_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

// Committed private memory, from the address space itself (Wine reports no
// PrivateUsage).
SIZE_T CommittedPrivate() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (const BYTE* at = nullptr;
         ::VirtualQuery(at, &info, sizeof info) == sizeof info && at + info.RegionSize > at;
         at = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    }
    return total;
}

}  // namespace

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

ProcessFigures MeasureProcess() {
    ProcessFigures f;
    f.gdi = static_cast<long>(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS));
    if (f.gdi == 0 && UnderWine()) f.gdi = WineGdiObjects();
    f.user = static_cast<long>(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS));
    f.windows = WindowCount();
    DWORD handles = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &handles)) {
        f.handles = static_cast<long>(handles);
    }
    if (f.handles == 0) f.handles = ProbedHandleCount();
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(),
                               reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                               sizeof memory)) {
        f.privateBytes = static_cast<long long>(memory.PrivateUsage);
    }
    f.committed = static_cast<long long>(CommittedPrivate());
    f.tlsProbe = ::TlsAlloc();
    ::TlsFree(f.tlsProbe);
    return f;
}

}  // namespace vantrel2::figures
