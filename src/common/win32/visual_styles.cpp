#include "common/win32/visual_styles.h"

#include "common/win32/win_util.h"

namespace vantrel2 {

UniqueActCtx CreateManifestContext(HMODULE module) noexcept {
    if (!module) return UniqueActCtx();
    ACTCTXW request{};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = module;
    request.lpResourceName = ISOLATIONAWARE_MANIFEST_RESOURCE_ID;
    return UniqueActCtx(::CreateActCtxW(&request));
}

HANDLE OwnActivationContext() noexcept {
    // Thread-safe initialisation; released when the module unloads.
    static const UniqueActCtx context = CreateManifestContext(ThisModule());
    return context.get();
}

}  // namespace vantrel2
