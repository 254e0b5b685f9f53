// The dialog's icon (resource VANTREL2_FORM_ICON, 16 to 48 pixels), loaded
// once per size and kept while the module is loaded.
#pragma once

#include <windows.h>

namespace vantrel2 {

// The icon drawn at `pixels` square (the nearest image of the resource,
// scaled when none fits); nullptr when the module carries no icon.
HICON FormIcon(int pixels) noexcept;

// Destroys the kept icons: only when the module unloads.
void ReleaseFormIcons() noexcept;

}  // namespace vantrel2
