#include "dialog/form_icon.h"

#include <mutex>

#include "dialog/form_resources.h"
#include "common/win32/win_util.h"

namespace vantrel2 {
namespace {

// A handful of sizes at most: small and big at each DPI the dialog meets.
struct KeptIcon {
    int pixels = 0;
    HICON icon = nullptr;
};
constexpr int kKeptIcons = 8;

SlimLock lock;
KeptIcon kept[kKeptIcons];

}  // namespace

HICON FormIcon(int pixels) noexcept {
    const std::lock_guard<SlimLock> guard(lock);
    for (const KeptIcon& entry : kept) {
        if (entry.icon && entry.pixels == pixels) return entry.icon;
    }
    const auto icon = static_cast<HICON>(::LoadImageW(
        ThisModule(), MAKEINTRESOURCEW(VANTREL2_FORM_ICON), IMAGE_ICON, pixels, pixels, 0));
    if (!icon) return nullptr;
    for (KeptIcon& entry : kept) {
        if (!entry.icon) {
            entry = {pixels, icon};
            return icon;
        }
    }
    // Every place taken by a host that keeps changing DPI: the dialog keeps
    // the icon it has rather than one that nothing would free.
    ::DestroyIcon(icon);
    return nullptr;
}

void ReleaseFormIcons() noexcept {
    const std::lock_guard<SlimLock> guard(lock);
    for (KeptIcon& entry : kept) {
        if (entry.icon) ::DestroyIcon(entry.icon);
        entry = {};
    }
}

}  // namespace vantrel2
