#include "command/HostLibrary.h"

#include <atomic>
#include <string>

#include "command/ComError.h"

namespace vantrel2 {
namespace {

// The library stays loaded for the rest of the process once found, like the
// host's own binding to it: functions already bound must stay valid.
std::atomic<HMODULE> hostLibrary{nullptr};

// The host has its own command library loaded: that one, with a reference
// of ours. Otherwise the usual places but never the current folder, where a
// drawing's folder could hold a planted VekCmdLib.dll: the application's
// folder, System32 and folders added with AddDllDirectory.
HMODULE FindHostLibrary() noexcept {
    HMODULE module = nullptr;
    if (::GetModuleHandleExW(0, kHostLibraryName, &module)) return module;
    return ::LoadLibraryExW(kHostLibraryName, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

HRESULT LoadHostLibrary(HMODULE& module) noexcept {
    module = hostLibrary.load();
    if (module) return S_OK;
    HMODULE loaded = FindHostLibrary();
    if (!loaded) {
        return ReportFailure(kHostLibraryNotFound,
                             L"CAD のコマンド ライブラリ VekCmdLib.dll が見つかりませんでした。");
    }
    HMODULE expected = nullptr;
    if (!hostLibrary.compare_exchange_strong(expected, loaded)) {
        ::FreeLibrary(loaded);  // another thread bound it first
        loaded = expected;
    }
    module = loaded;
    return S_OK;
}

// One host function: its name and, once found, its address.
template <typename Function>
class HostFunction {
  public:
    explicit constexpr HostFunction(const char* name) noexcept : name_(name) {}

    HRESULT Get(Function& function) noexcept {
        if (FARPROC bound = address_.load()) {
            function = reinterpret_cast<Function>(reinterpret_cast<void*>(bound));
            return S_OK;
        }
        HMODULE module = nullptr;
        if (const HRESULT hr = LoadHostLibrary(module); FAILED(hr)) return hr;
        FARPROC found = ::GetProcAddress(module, name_);
        if (!found) return ReportMissing();
        address_.store(found);
        function = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
        return S_OK;
    }

  private:
    HRESULT ReportMissing() noexcept {
        return StopExceptions(
            [&] {
                std::wstring text = L"CAD のコマンド ライブラリ VekCmdLib.dll に関数 ";
                for (const char* c = name_; *c; ++c) text += static_cast<wchar_t>(*c);
                text += L" が見つかりませんでした。";
                return ReportFailure(kHostEntryPointNotFound, text);
            },
            [] { return kHostEntryPointNotFound; });
    }

    const char* name_;
    std::atomic<FARPROC> address_{nullptr};
};

using InitVBCmdLibFunction = std::int32_t(__stdcall*)(std::int32_t, std::int32_t);
using VekExitCommandFunction = std::int32_t(__stdcall*)();
using VekGetCSBHandleFunction = std::int32_t(__stdcall*)(std::int16_t);
using VekGetTextBoxStatusFunction = std::int32_t(__stdcall*)(std::int32_t, std::int16_t,
                                                             TextBoxStatusA*);

HostFunction<InitVBCmdLibFunction> initVBCmdLib{"InitVBCmdLib"};
HostFunction<VekExitCommandFunction> vekExitCommand{"VekExitCommand"};
HostFunction<VekGetCSBHandleFunction> vekGetCSBHandle{"VekGetCSBHandle"};
HostFunction<VekGetTextBoxStatusFunction> vekGetTextBoxStatus{"VekGetTextBoxStatus"};

}  // namespace

void ReleaseHostLibrary() noexcept {
    // Only decrements the count while the host keeps its own reference.
    if (HMODULE module = hostLibrary.exchange(nullptr)) ::FreeLibrary(module);
}

HRESULT HostInitVBCmdLib(std::int32_t hWnd, std::int32_t nCmdLine) noexcept {
    InitVBCmdLibFunction function = nullptr;
    if (const HRESULT hr = initVBCmdLib.Get(function); FAILED(hr)) return hr;
    // NOLINTNEXTLINE(clang-analyzer-core.CallAndMessage) // Get set it: kHost*NotFound < 0
    function(hWnd, nCmdLine);
    return S_OK;
}

HRESULT HostExitCommand() noexcept {
    VekExitCommandFunction function = nullptr;
    if (const HRESULT hr = vekExitCommand.Get(function); FAILED(hr)) return hr;
    // NOLINTNEXTLINE(clang-analyzer-core.CallAndMessage) // Get set it: kHost*NotFound < 0
    function();
    return S_OK;
}

HRESULT HostGetCSBHandle(std::int16_t csbID, std::int32_t& handle) noexcept {
    VekGetCSBHandleFunction function = nullptr;
    if (const HRESULT hr = vekGetCSBHandle.Get(function); FAILED(hr)) return hr;
    // NOLINTNEXTLINE(clang-analyzer-core.CallAndMessage) // Get set it: kHost*NotFound < 0
    handle = function(csbID);
    return S_OK;
}

HRESULT HostGetTextBoxStatus(std::int32_t handle, std::int16_t itemID,
                             TextBoxStatusA& record) noexcept {
    VekGetTextBoxStatusFunction function = nullptr;
    if (const HRESULT hr = vekGetTextBoxStatus.Get(function); FAILED(hr)) return hr;
    // NOLINTNEXTLINE(clang-analyzer-core.CallAndMessage) // Get set it: kHost*NotFound < 0
    function(handle, itemID, &record);
    return S_OK;
}

}  // namespace vantrel2
