#include "visual_styles.h"

namespace vantrel2 {
namespace {

HMODULE ThisModule() noexcept {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

UniqueActCtx CreateOwnActivationContext() noexcept {
    ACTCTXW request{};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = ThisModule();
    request.lpResourceName = ISOLATIONAWARE_MANIFEST_RESOURCE_ID;
    return UniqueActCtx(::CreateActCtxW(&request));
}

}  // namespace

HANDLE OwnActivationContext() noexcept {
    // Thread-safe initialisation; released when the module unloads.
    static const UniqueActCtx context = CreateOwnActivationContext();
    return context.get();
}

}  // namespace vantrel2
