#include "command/TypeLibrary.h"

#include <oleauto.h>

#include <mutex>
#include <string>

#include "command/ComError.h"
#include "Vantrel2_idl.h"
#include "common/win32/win_util.h"

namespace vantrel2 {
namespace {

SlimLock cacheLock;
CommandTypeInfo cached;

HRESULT LoadCommandTypeInfo(ComPtr<ITypeInfo>& dispatchSide, ComPtr<ITypeInfo>& vtableSide) {
    ComPtr<ITypeLib> library;
    if (const HRESULT hr = LoadOwnTypeLibrary(library); FAILED(hr)) return hr;
    HRESULT hr = library->GetTypeInfoOfGuid(IID__OrvaneVbCommand, dispatchSide.put());
    HREFTYPE vtableRef = 0;
    if (SUCCEEDED(hr)) hr = dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef);
    if (SUCCEEDED(hr)) hr = dispatchSide->GetRefTypeInfo(vtableRef, vtableSide.put());
    if (FAILED(hr))
        return ReportFailure(hr, L"タイプ ライブラリにコマンドのインターフェイスがありません。");
    return S_OK;
}

}  // namespace

HRESULT LoadOwnTypeLibrary(ComPtr<ITypeLib>& library) noexcept {
    return CallReportingExceptions([&] {
        const std::wstring path = ThisModulePath();
        if (path.empty()) {
            return ReportFailure(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND),
                                 L"コマンドの DLL のファイルが見つかりませんでした。");
        }
        const HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
        if (FAILED(hr)) {
            return ReportFailure(hr, L"コマンドの DLL のタイプ ライブラリを読み込めませんでした。");
        }
        return S_OK;
    });
}

HRESULT GetCommandTypeInfo(CommandTypeInfo& info) noexcept {
    const std::lock_guard<SlimLock> guard(cacheLock);
    if (!cached.vtableSide) {
        ComPtr<ITypeInfo> dispatchSide;
        ComPtr<ITypeInfo> vtableSide;
        if (const HRESULT hr = LoadCommandTypeInfo(dispatchSide, vtableSide); FAILED(hr)) {
            return hr;
        }
        cached = {dispatchSide.detach(), vtableSide.detach()};
    }
    info = cached;
    return S_OK;
}

void ReleaseCommandTypeInfo() noexcept {
    const std::lock_guard<SlimLock> guard(cacheLock);
    if (cached.dispatchSide) cached.dispatchSide->Release();
    if (cached.vtableSide) cached.vtableSide->Release();
    cached = {};
}

}  // namespace vantrel2
