// The command's per-thread working data: paths, the four flags loaded from
// the settings file, and the dialog object, which is kept for reuse.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/portable/settings.h"

namespace vantrel2 {

// What start-up needs of the dialog object it keeps in DialogInstance.
struct SharedState;

class ModalDialog {
  public:
    virtual ~ModalDialog() = default;
    // Creates the window afresh, runs its load step on `state`, and returns
    // once the dialog has been unloaded; `state` outlives the call.
    virtual HRESULT ShowModal(const SharedState& state) = 0;
};

struct SharedState : CommandPaths, CommandFlags {
    std::unique_ptr<ModalDialog> DialogInstance;
};

// The calling thread's copy, created empty on its first use.
SharedState& CurrentSharedState();

// Frees the calling thread's copy (thread detach), or every copy (process
// detach).
void ReleaseThreadSharedState();
void ReleaseAllSharedState();

// Fills every field but DialogInstance: the paths from `appPath`, then the
// four flags from the settings file.
void LoadSharedState(SharedState& state, const std::wstring& appPath);

// The folder of the module that holds this code (the DLL, or a test
// executable that links it in).
std::wstring ThisModuleFolder();

}  // namespace vantrel2
