#include "TypeLibrary.h"

#include <oleauto.h>

#include "ComError.h"
#include "Vantrel2_idl.h"
#include "win_util.h"

namespace vantrel2 {

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
