#include "accessible_name.h"

#include <oleacc.h>

#include <atomic>
#include <new>
#include <utility>

#include "win_handles.h"
#include "win_util.h"

namespace vantrel2 {
namespace {

// Loaded when a client first asks rather than with the DLL, and kept: the
// objects handed out call into it for as long as clients hold them.
struct Oleacc {
    decltype(&::CreateStdAccessibleObject) createStdAccessibleObject;
    decltype(&::LresultFromObject) lresultFromObject;
};

const Oleacc& LoadedOleacc() {
    static const Oleacc oleacc = [] {
        HMODULE module = ::LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        // Windows 7 without KB2533623 knows no search flags: the search a
        // static import would get.
        if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) {
            module = ::LoadLibraryW(L"oleacc.dll");
        }
        return Oleacc{
            ExportedFunction<decltype(&::CreateStdAccessibleObject)>(module,
                                                                     "CreateStdAccessibleObject"),
            ExportedFunction<decltype(&::LresultFromObject)>(module, "LresultFromObject")};
    }();
    return oleacc;
}

// The system's object for a control, renamed. IOleWindow too, so that
// WindowFromAccessibleObject finds the control, not its parent.
class RenamedAccessible final : public IAccessible, public IOleWindow {
  public:
    RenamedAccessible(ComPtr<IAccessible> standard, HWND control, const wchar_t* name) noexcept
        : standard_(std::move(standard)), control_(control), name_(name) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
            iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
        } else if (iid == __uuidof(IOleWindow)) {
            *object = static_cast<IOleWindow*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = control_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) {
            return standard_->get_accName(child, name);
        }
        if (!name) return E_POINTER;
        *name = MakeBstr(name_).release();
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    // Everything else is the system's.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        return standard_->Invoke(id, iid, locale, flags, params, result, exception, argumentError);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return standard_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return standard_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return standard_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

  private:
    ~RenamedAccessible() = default;

    std::atomic<ULONG> references_{1};
    const ComPtr<IAccessible> standard_;
    const HWND control_;
    const wchar_t* const name_;
};

// 0 when the object cannot be made or handed over (no COM on this thread,
// for one): the control's own answer then stands.
LRESULT AnswerRenamed(HWND control, WPARAM flags, const wchar_t* name) {
    const Oleacc& oleacc = LoadedOleacc();
    if (!oleacc.createStdAccessibleObject || !oleacc.lresultFromObject) return 0;
    ComPtr<IAccessible> standard;
    if (FAILED(oleacc.createStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                standard.put_void()))) {
        return 0;
    }
    const auto renamed = ComPtr<IAccessible>::Attach(
        new (std::nothrow) RenamedAccessible(std::move(standard), control, name));
    if (!renamed) return 0;
    const LRESULT answer = oleacc.lresultFromObject(__uuidof(IAccessible), flags, renamed.get());
    return answer > 0 ? answer : 0;
}

struct Subclass {
    WNDPROC original;
    const wchar_t* name;
};

LRESULT CALLBACK RenamedControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* subclass = reinterpret_cast<Subclass*>(::GetWindowLongPtrW(control, GWLP_USERDATA));
    const WNDPROC original = subclass->original;
    if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (const LRESULT answer = AnswerRenamed(control, wParam, subclass->name)) return answer;
    } else if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        ::SetWindowLongPtrW(control, GWLP_USERDATA, 0);
        delete subclass;
    }
    return ::CallWindowProcW(original, control, message, wParam, lParam);
}

}  // namespace

void GiveAccessibleName(HWND control, const wchar_t* name) {
    auto* subclass = new (std::nothrow)
        Subclass{reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(control, GWLP_WNDPROC)), name};
    if (!subclass) return;
    ::SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(subclass));
    if (!::SetWindowLongPtrW(control, GWLP_WNDPROC,
                             reinterpret_cast<LONG_PTR>(RenamedControlProc))) {
        ::SetWindowLongPtrW(control, GWLP_USERDATA, 0);
        delete subclass;
    }
}

}  // namespace vantrel2
