#include "common/SharedState.h"

#include <mutex>  // std::lock_guard
#include <new>
#include <vector>

#include "common/commonModule.h"
#include "common/portable/settings.h"
#include "common/win32/win_util.h"

namespace vantrel2 {
namespace {

// Each thread that uses the DLL has its own state. TLS slots rather than
// thread_local, so that the DLL can free the states itself on detach.

struct StateRegistry {
    SlimLock lock;
    DWORD slot = ::TlsAlloc();
    std::vector<SharedState*> all;
};

StateRegistry& Registry() {
    static StateRegistry registry;
    return registry;
}

}  // namespace

SharedState& CurrentSharedState() {
    auto& registry = Registry();
    if (registry.slot == TLS_OUT_OF_INDEXES) throw std::bad_alloc();  // the process ran out
    // cppcheck-suppress constVariable ; handed out as the thread's writable state
    if (auto* state = static_cast<SharedState*>(::TlsGetValue(registry.slot))) return *state;
    auto* state = new SharedState();
    ::TlsSetValue(registry.slot, state);
    std::lock_guard<SlimLock> guard(registry.lock);
    registry.all.push_back(state);
    return *state;
}

void ReleaseThreadSharedState() {
    auto& registry = Registry();
    auto* state = static_cast<SharedState*>(::TlsGetValue(registry.slot));
    if (!state) return;
    ::TlsSetValue(registry.slot, nullptr);
    {
        std::lock_guard<SlimLock> guard(registry.lock);
        std::erase(registry.all, state);
    }
    delete state;
}

void ReleaseAllSharedState() {
    auto& registry = Registry();
    std::vector<SharedState*> states;
    {
        std::lock_guard<SlimLock> guard(registry.lock);
        states.swap(registry.all);
    }
    for (const auto* state : states) delete state;
    // The module is going: its slot goes back to the process.
    if (registry.slot != TLS_OUT_OF_INDEXES) ::TlsFree(registry.slot);
    registry.slot = TLS_OUT_OF_INDEXES;
}

void LoadSharedState(SharedState& state, const std::wstring& appPath) {
    static_cast<CommandPaths&>(state) = DeriveCommandPaths(appPath);

    for (size_t i = 0; i < kSettingKeys.size(); ++i) {
        const auto text =
            ProfileValue(SettingsFileName(state.SysInfoDir), kSettingsSection, kSettingKeys[i]);
        state.*kSettingFlags[i] = text ? FlagFromSettingText(*text) : kTicked;
    }
}

std::wstring ThisModuleFolder() { return FolderOfModulePath(ThisModulePath()); }

}  // namespace vantrel2
