#include "CommonDialog1.h"

#include <commdlg.h>

#include <algorithm>
#include <new>
#include <optional>
#include <string_view>

#include "win_handles.h"

namespace vantrel2 {
namespace {

// Room for a long path typed into the dialog.
constexpr std::size_t kFileNameBufferLength = 32768;

struct NamedMember {
    const wchar_t* name;
    DISPID id;
};
constexpr NamedMember kMembers[] = {{L"FileName", kDispidFileName},
                                    {L"Filter", kDispidFilter},
                                    {L"Flags", kDispidFlags},
                                    {L"CancelError", kDispidCancelError},
                                    {L"ShowOpen", kDispidShowOpen}};

// "desc|pattern|" as the dialog wants it: NUL-separated, ending in two NULs.
std::wstring NulSeparatedFilter(std::wstring_view filter) {
    std::wstring result(filter);
    for (wchar_t& c : result) {
        if (c == L'|') c = L'\0';
    }
    result.push_back(L'\0');
    result.push_back(L'\0');
    return result;
}

// The one argument of a property put, converted to `type`.
HRESULT PutArgument(const DISPPARAMS* params, VARTYPE type, VARIANT* value) {
    if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs > 1 ||
        (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
        return DISP_E_PARAMNOTFOUND;
    }
    return ::VariantChangeType(value, &params->rgvarg[0], 0, type);
}

class CommonDialog1 final : public IDispatch {
  public:
    explicit CommonDialog1(HWND owner) : owner_(owner) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!names || !ids) return E_POINTER;
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            // Members only: this object has no named arguments.
            if (i == 0) {
                for (const NamedMember& member : kMembers) {
                    if (names[0] && ::lstrcmpiW(names[0], member.name) == 0) ids[0] = member.id;
                }
            }
            if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (argumentError) *argumentError = 0;
        try {
            return Dispatch(id, flags, params, result, exception);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

  private:
    ~CommonDialog1() = default;

    HRESULT Dispatch(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                     EXCEPINFO* exception) {
        const bool get = (flags & DISPATCH_PROPERTYGET) != 0;
        const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
        switch (id) {
            case kDispidFileName:
                if (put) return PutText(params, fileName_);
                if (get) return GetText(fileName_, result);
                break;
            case kDispidFilter:
                if (put) return PutText(params, filter_);
                if (get) return GetText(filter_, result);
                break;
            case kDispidFlags:
                if (put) return PutValue(params, VT_I4, [&](const VARIANT& v) { flags_ = v.lVal; });
                if (get && result) {
                    ::VariantClear(result);
                    result->vt = VT_I4;
                    result->lVal = flags_;
                    return S_OK;
                }
                break;
            case kDispidCancelError:
                if (put) {
                    return PutValue(params, VT_BOOL, [&](const VARIANT& v) {
                        cancelError_ = v.boolVal != VARIANT_FALSE;
                    });
                }
                if (get && result) {
                    ::VariantClear(result);
                    result->vt = VT_BOOL;
                    result->boolVal = cancelError_ ? VARIANT_TRUE : VARIANT_FALSE;
                    return S_OK;
                }
                break;
            case kDispidShowOpen:
                if ((flags & DISPATCH_METHOD) != 0) {
                    if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
                    return ShowOpen(exception);
                }
                break;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
        return get && !result ? E_POINTER : DISP_E_MEMBERNOTFOUND;
    }

    static HRESULT PutText(const DISPPARAMS* params, std::wstring& field) {
        UniqueVariant value;
        const HRESULT hr = PutArgument(params, VT_BSTR, value.get());
        if (FAILED(hr)) return hr;
        const BSTR text = value.get()->bstrVal;
        field.assign(text ? text : L"", text ? ::SysStringLen(text) : 0);
        return S_OK;
    }
    template <typename Store>
    static HRESULT PutValue(const DISPPARAMS* params, VARTYPE type, Store store) {
        UniqueVariant value;
        const HRESULT hr = PutArgument(params, type, value.get());
        if (SUCCEEDED(hr)) store(*value.get());
        return hr;
    }
    static HRESULT GetText(const std::wstring& field, VARIANT* result) {
        if (!result) return E_POINTER;
        UniqueBstr text = MakeBstr(field);
        if (!text) return E_OUTOFMEMORY;
        ::VariantClear(result);
        result->vt = VT_BSTR;
        result->bstrVal = text.release();
        return S_OK;
    }

    HRESULT ShowOpen(EXCEPINFO* exception) {
        if (showing_) return E_UNEXPECTED;  // a nested ShowOpen from inside the dialog
        std::wstring buffer(std::max(kFileNameBufferLength, fileName_.size() + 1), L'\0');
        buffer.replace(0, fileName_.size(), fileName_);
        const std::wstring filter = NulSeparatedFilter(filter_);

        OPENFILENAMEW request{};
        request.lStructSize = sizeof request;
        request.hwndOwner = owner_;
        request.lpstrFilter = filter_.empty() ? nullptr : filter.c_str();
        request.lpstrFile = buffer.data();
        request.nMaxFile = static_cast<DWORD>(buffer.size());
        request.Flags = static_cast<DWORD>(flags_);

        // The file-open dialog moves the process's current folder to wherever
        // the user browsed; the host's current folder is not ours to change,
        // and relative paths in the other rows must keep their meaning.
        const std::wstring currentFolder = CurrentFolder();
        showing_ = true;
        const BOOL chosen = ::GetOpenFileNameW(&request);
        const DWORD dialogError = chosen ? 0 : ::CommDlgExtendedError();
        showing_ = false;
        if (!currentFolder.empty()) ::SetCurrentDirectoryW(currentFolder.c_str());

        if (chosen) {
            fileName_.assign(buffer.c_str());
            return S_OK;
        }
        if (dialogError != 0) return Raise(exception, E_FAIL, L"The file dialog failed.");
        if (cancelError_) return Raise(exception, kCancelSelected, L"Cancel was selected.");
        return S_OK;
    }

    static std::wstring CurrentFolder() {
        const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
        if (needed == 0) return {};
        std::wstring folder(needed, L'\0');
        const DWORD length = ::GetCurrentDirectoryW(needed, folder.data());
        folder.resize(length < needed ? length : 0);
        return folder;
    }

    static HRESULT Raise(EXCEPINFO* exception, SCODE code, const wchar_t* description) {
        if (exception) {
            *exception = EXCEPINFO{};
            exception->scode = code;
            exception->bstrSource = ::SysAllocString(L"CommonDialog");
            exception->bstrDescription = ::SysAllocString(description);
        }
        return DISP_E_EXCEPTION;
    }

    LONG references_ = 1;
    HWND owner_;
    std::wstring fileName_;
    std::wstring filter_;
    LONG flags_ = 0;
    bool cancelError_ = false;
    bool showing_ = false;
};

void ClearException(EXCEPINFO& exception) {
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    exception = EXCEPINFO{};
}

HRESULT InvokeById(IDispatch* component, DISPID id, WORD flags, VARIANT* argument,
                   VARIANT* result) {
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    if (argument) {
        params.cArgs = 1;
        params.rgvarg = argument;
        if (flags == DISPATCH_PROPERTYPUT) {
            params.cNamedArgs = 1;
            params.rgdispidNamedArgs = &putId;
        }
    }
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT hr = component->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                         &exception, &argumentError);
    ClearException(exception);
    return hr;
}

HRESULT PutTextProperty(IDispatch* component, DISPID id, std::wstring_view text) {
    UniqueVariant value;
    UniqueBstr bstr = MakeBstr(text);
    if (!bstr) return E_OUTOFMEMORY;
    value.get()->vt = VT_BSTR;
    value.get()->bstrVal = bstr.release();
    return InvokeById(component, id, DISPATCH_PROPERTYPUT, value.get(), nullptr);
}

std::optional<std::wstring> GetTextProperty(IDispatch* component, DISPID id) {
    UniqueVariant value;
    if (FAILED(InvokeById(component, id, DISPATCH_PROPERTYGET, nullptr, value.get()))) {
        return std::nullopt;
    }
    UniqueVariant text;
    if (FAILED(::VariantChangeType(text.get(), value.get(), 0, VT_BSTR))) return std::nullopt;
    const BSTR bstr = text.get()->bstrVal;
    return std::wstring(bstr ? bstr : L"", bstr ? ::SysStringLen(bstr) : 0);
}

}  // namespace

HRESULT CreateCommonDialog1(HWND owner, IDispatch** component) noexcept {
    if (!component) return E_POINTER;
    *component = new (std::nothrow) CommonDialog1(owner);
    return *component ? S_OK : E_OUTOFMEMORY;
}

std::wstring RunFileSelection(IDispatch* component, const std::wstring& currentText) {
    ComPtr<IDispatch> dialog(component);
    std::optional<std::wstring> chosen;
    if (dialog) {
        // Each step on its own: a failure is dropped and the next one runs.
        PutTextProperty(dialog.get(), kDispidFileName, currentText);
        {
            UniqueVariant value;
            value.get()->vt = VT_BOOL;
            value.get()->boolVal = VARIANT_TRUE;
            InvokeById(dialog.get(), kDispidCancelError, DISPATCH_PROPERTYPUT, value.get(),
                       nullptr);
        }
        PutTextProperty(dialog.get(), kDispidFilter, kSettingsFileFilter);
        {
            UniqueVariant value;
            value.get()->vt = VT_I4;
            value.get()->lVal = OFN_HIDEREADONLY;
            InvokeById(dialog.get(), kDispidFlags, DISPATCH_PROPERTYPUT, value.get(), nullptr);
        }
        InvokeById(dialog.get(), kDispidShowOpen, DISPATCH_METHOD, nullptr, nullptr);
        chosen = GetTextProperty(dialog.get(), kDispidFileName);
        dialog.reset();
    }
    return chosen ? *chosen : currentText;
}

}  // namespace vantrel2
