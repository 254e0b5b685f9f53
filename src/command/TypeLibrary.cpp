#include "TypeLibrary.h"

#include <oleauto.h>

#include "ComError.h"
#include "Vantrel2_idl.h"

namespace vantrel2 {

std::wstring ThisModulePath() {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&ThisModulePath), &module)) {
        return {};
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HRESULT LoadOwnTypeLibrary(ComPtr<ITypeLib>& library) noexcept {
    try {
        const std::wstring path = ThisModulePath();
        if (path.empty()) {
            return ReportFailure(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND),
                                 L"The file of the command's DLL could not be found.");
        }
        const HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
        if (FAILED(hr)) {
            return ReportFailure(hr, L"The type library of the command's DLL could not be loaded.");
        }
        return S_OK;
    } catch (...) {
        return ReportFailure(E_OUTOFMEMORY, L"Out of memory.");
    }
}

HRESULT LoadCommandTypeInfo(ComPtr<ITypeInfo>& dispatchSide,
                            ComPtr<ITypeInfo>& vtableSide) noexcept {
    ComPtr<ITypeLib> library;
    if (const HRESULT hr = LoadOwnTypeLibrary(library); FAILED(hr)) return hr;
    HRESULT hr = library->GetTypeInfoOfGuid(IID__OrvaneVbCommand, dispatchSide.put());
    HREFTYPE vtableRef = 0;
    if (SUCCEEDED(hr)) hr = dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef);
    if (SUCCEEDED(hr)) hr = dispatchSide->GetRefTypeInfo(vtableRef, vtableSide.put());
    if (FAILED(hr)) return ReportFailure(hr, L"The type library lacks the command interface.");
    return S_OK;
}

}  // namespace vantrel2
