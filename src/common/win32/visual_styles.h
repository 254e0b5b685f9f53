// The module's own manifest (resource 2) asks for Common Controls 6, so that
// the dialog and its message boxes draw with the current theme whatever the
// host's manifest says. The loader applies that manifest only while it loads
// the DLL; windows created later need it active around their creation.
#pragma once

#include <windows.h>

#include "common/win32/win_handles.h"

namespace vantrel2 {

// The activation context of the manifest in resource 2 of `module`;
// invalid when it has none.
UniqueActCtx CreateManifestContext(HMODULE module) noexcept;

// The activation context of the manifest in resource 2 of the module that
// holds this code, created on first use and kept while the module is loaded;
// INVALID_HANDLE_VALUE when there is none (then windows draw unthemed).
HANDLE OwnActivationContext() noexcept;

// Activates OwnActivationContext() on this thread for the scope's lifetime.
class ScopedVisualStyles {
  public:
    ScopedVisualStyles() noexcept : activation_(OwnActivationContext()) {}
    bool active() const noexcept { return activation_.active(); }

  private:
    ScopedActCtxActivation activation_;
};

}  // namespace vantrel2
