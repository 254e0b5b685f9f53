#include "dialog/accessible_name.h"

#include <oleacc.h>

#include <atomic>
#include <mutex>
#include <cwchar>
#include <new>
#include <utility>
#include <vector>

#include "common/ModuleCounts.h"
#include "common/win32/com_interfaces.h"
#include "common/portable/exception_boundary.h"
#include "common/win32/win_handles.h"
#include "common/win32/win_util.h"

namespace vantrel2 {
namespace {

// Loaded when a client first asks rather than with the DLL, and kept: the
// objects handed out call into it for as long as clients hold them.
struct Oleacc {
    decltype(&::CreateStdAccessibleObject) createStdAccessibleObject;
    decltype(&::LresultFromObject) lresultFromObject;
};

// From the system folder only: never the host's folder, where a planted
// oleacc.dll would be found first, nor the current one.
HMODULE LoadOleaccFromSystemFolder() noexcept {
    HMODULE module = ::LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Windows 7 without KB2533623 knows no search flags: the full path.
    if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        static constexpr wchar_t kName[] = L"\\oleacc.dll";
        wchar_t path[MAX_PATH + std::size(kName)] = {};
        const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return nullptr;
        std::wmemcpy(path + length, kName, std::size(kName));
        module = ::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    return module;
}

const Oleacc& LoadedOleacc() {
    static const Oleacc oleacc = [] {
        const HMODULE module = LoadOleaccFromSystemFolder();
        return Oleacc{
            ExportedFunction<decltype(&::CreateStdAccessibleObject)>(module,
                                                                     "CreateStdAccessibleObject"),
            ExportedFunction<decltype(&::LresultFromObject)>(module, "LresultFromObject")};
    }();
    return oleacc;
}

// The child a call names: CHILDID_SELF also when the argument was left out
// (VT_EMPTY, or the missing-argument VT_ERROR a late-bound call passes).
bool NamesSelf(VARIANT& child) {
    if (child.vt == VT_EMPTY || (child.vt == VT_ERROR && child.scode == DISP_E_PARAMNOTFOUND)) {
        return true;
    }
    UniqueVariant id;
    return SUCCEEDED(::VariantChangeType(id.get(), &child, 0, VT_I4)) &&
           id.get()->lVal == CHILDID_SELF;
}

// The system's object for a control, renamed. IOleWindow too, so that
// WindowFromAccessibleObject finds the control, not its parent. One of the
// module's objects while it lives: a client may hold it after the dialog has
// gone, and calls into this module's code until it lets go.
class RenamedAccessible final : public IAccessible, public IOleWindow {
  public:
    RenamedAccessible(ComPtr<IAccessible> standard, HWND control, const wchar_t* name) noexcept
        : standard_(std::move(standard)), control_(control), name_(name) {
        ObjectCreated();
    }
    RenamedAccessible(const RenamedAccessible&) = delete;
    RenamedAccessible& operator=(const RenamedAccessible&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        static constexpr OfferedInterface<RenamedAccessible> kOffered[] = {
            Offer<RenamedAccessible, IAccessible>(__uuidof(IUnknown)),
            Offer<RenamedAccessible, IAccessible>(__uuidof(IDispatch)),
            Offer<RenamedAccessible, IAccessible>(__uuidof(IAccessible)),
            Offer<RenamedAccessible, IOleWindow>(__uuidof(IOleWindow)),
        };
        return QueryFromTable(this, kOffered, iid, object);
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
        if (!NamesSelf(child)) return standard_->get_accName(child, name);
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
    // The system's Invoke would call its own object's get_accName: the name
    // is answered here for a late-bound client too.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        if (id != DISPID_ACC_NAME || !(flags & DISPATCH_PROPERTYGET) || !params ||
            params->cNamedArgs != 0 || params->cArgs > 1 ||
            (params->cArgs == 1 && !NamesSelf(params->rgvarg[0]))) {
            return standard_->Invoke(id, iid, locale, flags, params, result, exception,
                                     argumentError);
        }
        if (!result) return S_OK;
        UniqueBstr name = MakeBstr(name_);
        if (!name) return E_OUTOFMEMORY;
        ::VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = name.release();
        return S_OK;
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
    ~RenamedAccessible() { ObjectDestroyed(); }

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

HRESULT CreateSystemAnnotationService(IAccPropServices** service) {
    return ::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IAccPropServices, reinterpret_cast<void**>(service));
}

CreateAnnotationServiceCall createAnnotationService = CreateSystemAnnotationService;

// The service when it took the control's name; empty where it refused.
ComPtr<IAccPropServices> AnnotateName(const ComPtr<IAccPropServices>& service, HWND control,
                                      const wchar_t* name) {
    if (!service || FAILED(service->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT),
                                                   CHILDID_SELF, PROPID_ACC_NAME, name))) {
        return {};
    }
    return service;
}

// What a renamed control holds until it is destroyed. A name the service
// took goes with it: the service would otherwise keep it for a later window
// that gets the same handle.
struct Subclass {
    HWND control;
    WNDPROC original;
    const wchar_t* name;
    ComPtr<IAccPropServices> annotation;

    Subclass(HWND renamed, WNDPROC before, const wchar_t* shown) noexcept
        : control(renamed), original(before), name(shown) {}
    Subclass(const Subclass&) = delete;
    Subclass& operator=(const Subclass&) = delete;
    ~Subclass() {
        if (annotation) {
            annotation->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                       &PROPID_ACC_NAME, 1);
        }
    }
};

// The renamed controls of every thread, found by handle: kept here rather
// than in each control's user data, which would cost the window system a
// call per control to set and another to clear.
SlimLock renamedLock;
std::vector<Subclass*> renamedControls;

// cppcheck-suppress constParameter ; a window handle, compared, never written through
Subclass* RenamedSubclass(HWND control) noexcept {
    const std::lock_guard<SlimLock> guard(renamedLock);
    for (Subclass* subclass : renamedControls) {
        if (subclass->control == control) return subclass;
    }
    return nullptr;
}

void ForgetRenamed(const Subclass* subclass) noexcept {
    const std::lock_guard<SlimLock> guard(renamedLock);
    std::erase(renamedControls, subclass);
}

LRESULT CALLBACK RenamedControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    Subclass* const subclass = RenamedSubclass(control);
    if (!subclass) return 0;  // not reached: noted before the procedure is set
    const WNDPROC original = subclass->original;
    if (message == WM_GETOBJECT && !subclass->annotation &&
        static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (const LRESULT answer = AnswerRenamed(control, wParam, subclass->name)) return answer;
    } else if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        ForgetRenamed(subclass);
        delete subclass;
    }
    return ::CallWindowProcW(original, control, message, wParam, lParam);
}

}  // namespace

// Subclassed either way: to clear the name when the control goes, or to
// answer WM_GETOBJECT where the service refused it.
void AccessibleNames::Give(HWND control, const wchar_t* name) {
    auto* subclass = new (std::nothrow) Subclass(
        control, reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(control, GWLP_WNDPROC)), name);
    if (!subclass) return;
    const bool noted = StopExceptions(
        [&] {
            const std::lock_guard<SlimLock> guard(renamedLock);
            renamedControls.push_back(subclass);
            return true;
        },
        [] { return false; });
    if (!noted) {
        delete subclass;  // no memory to note it: the system's name stays
        return;
    }
    if (!::SetWindowLongPtrW(control, GWLP_WNDPROC,
                             reinterpret_cast<LONG_PTR>(RenamedControlProc))) {
        ForgetRenamed(subclass);
        delete subclass;
        return;
    }
    if (!serviceAsked_) {
        serviceAsked_ = true;
        if (FAILED(createAnnotationService(service_.put()))) service_.reset();
    }
    subclass->annotation = AnnotateName(service_, control, name);
    // NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDeleteLeaks) // the control owns it (WM_NCDESTROY)
}

CreateAnnotationServiceCall ReplaceCreateAnnotationService(
    CreateAnnotationServiceCall call) noexcept {
    return std::exchange(createAnnotationService, call);
}

}  // namespace vantrel2
