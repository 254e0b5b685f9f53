// A name for screen readers on a standard control whose caption cannot give
// one. The control answers WM_GETOBJECT(OBJID_CLIENT) with the system's own
// accessible object for it under that name: role, state, value, actions and
// keyboard behaviour stay the system's.
#pragma once

#include <windows.h>

namespace vantrel2 {

// `name` is static text. Without memory for it the control keeps the
// system's name.
void GiveAccessibleName(HWND control, const wchar_t* name);

}  // namespace vantrel2
