#include "command/Registration.h"

#include <oleauto.h>

#include <string>

#include "command/ComError.h"
#include "command/TypeLibrary.h"
#include "Vantrel2_idl.h"
#include "common/win32/win_handles.h"
#include "common/win32/win_util.h"

namespace vantrel2 {
namespace {

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring ClassKeyName() { return L"CLSID\\" + GuidText(CLSID_OrvaneVbCommand); }

// Creates HKCR\<key> and sets one value (the default when `name` is null).
HRESULT SetClassesValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    UniqueRegKey handle;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                       nullptr, handle.put(), nullptr);
    if (status == ERROR_SUCCESS) {
        const std::size_t bytes = (value.size() + 1) * sizeof(wchar_t);
        status = ::RegSetValueExW(handle.get(), name, 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>(bytes));
    }
    return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteClassesTree(const std::wstring& key) {
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        ::RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());  // the now empty key itself
        return S_OK;
    }
    return HRESULT_FROM_WIN32(status);
}

HRESULT WriteClassKeys(const std::wstring& modulePath) {
    const std::wstring classKey = ClassKeyName();
    const std::wstring progId = kProgId;
    const std::pair<std::wstring, std::pair<const wchar_t*, std::wstring>> values[] = {
        {classKey, {nullptr, progId}},
        {classKey + L"\\InprocServer32", {nullptr, modulePath}},
        {classKey + L"\\InprocServer32", {L"ThreadingModel", L"Apartment"}},
        {classKey + L"\\ProgID", {nullptr, progId}},
        {classKey + L"\\TypeLib", {nullptr, GuidText(LIBID_Vantrel2)}},
        {progId, {nullptr, progId}},
        {progId + L"\\CLSID", {nullptr, GuidText(CLSID_OrvaneVbCommand)}},
    };
    for (const auto& [key, value] : values) {
        if (const HRESULT hr = SetClassesValue(key, value.first, value.second); FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT Register() {
    const std::wstring path = ThisModulePath();
    ComPtr<ITypeLib> library;
    if (const HRESULT hr = LoadOwnTypeLibrary(library); FAILED(hr)) return hr;
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast) // only read: COM's signature
    auto* const pathText = const_cast<OLECHAR*>(path.c_str());
    if (const HRESULT hr = ::RegisterTypeLib(library.get(), pathText, nullptr); FAILED(hr)) {
        return ReportFailure(hr, L"タイプ ライブラリを登録できませんでした。");
    }
    if (const HRESULT hr = WriteClassKeys(path); FAILED(hr)) {
        return ReportFailure(hr, L"クラスを登録できませんでした。");
    }
    return S_OK;
}

HRESULT Unregister() {
    // The type library's entry and the interface keys it made; a library
    // that is not registered has nothing to remove.
    ::UnRegisterTypeLib(LIBID_Vantrel2, 3, 0, 0, kTypeLibrarySysKind);
    HRESULT hr = DeleteClassesTree(ClassKeyName());
    if (SUCCEEDED(hr)) hr = DeleteClassesTree(kProgId);
    if (FAILED(hr)) return ReportFailure(hr, L"クラスの登録を解除できませんでした。");
    return S_OK;
}

}  // namespace

HRESULT RegisterServer() noexcept {
    const HRESULT hr = CallReportingExceptions(Register);
    if (FAILED(hr)) CallReportingExceptions(Unregister);
    return hr;
}

HRESULT UnregisterServer() noexcept { return CallReportingExceptions(Unregister); }

}  // namespace vantrel2
