// What DllCanUnloadNow looks at: the objects the module has handed out that
// are still alive (command objects, the dialog's accessible objects) and class
// factory locks, in the whole process.
#pragma once

#include <windows.h>

namespace vantrel2 {

void ObjectCreated() noexcept;
void ObjectDestroyed() noexcept;
void ServerLocked() noexcept;
void ServerUnlocked() noexcept;

// S_OK when no object and no lock remains, S_FALSE otherwise.
HRESULT CanUnloadNow() noexcept;

}  // namespace vantrel2
