// The one set of owning wrappers for Windows handles, COM pointers and BSTRs:
// what the code opens and closes again is held by one of these from the call
// that opens it. Kept for the module's life instead, in statics of their own:
// the host's command library and oleacc.dll once loaded, the form's icons and
// the TLS slot of the run's state (the unload work frees what it can).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string_view>
#include <utility>

namespace vantrel2 {

template <typename Traits>
class UniqueResource {
  public:
    using Handle = typename Traits::Handle;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Handle handle) noexcept : handle_(handle) {}
    UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }
    Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
    void reset(Handle handle = Traits::Invalid()) noexcept {
        const Handle old = std::exchange(handle_, handle);
        if (old != Traits::Invalid()) Traits::Close(old);
    }
    // For out-parameters: frees what is held and hands out the slot.
    Handle* put() noexcept {
        reset();
        return &handle_;
    }

  private:
    Handle handle_ = Traits::Invalid();
};

// A handle type, the function that closes it and its invalid value (0, or
// -1 for INVALID_HANDLE_VALUE).
template <typename H, auto CloseFunction, std::intptr_t InvalidValue = 0>
struct HandleTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return reinterpret_cast<Handle>(InvalidValue); }
    static void Close(Handle h) noexcept { CloseFunction(h); }
};

template <auto CloseFunction, std::intptr_t InvalidValue = 0>
using UniqueHandle = UniqueResource<HandleTraits<HANDLE, CloseFunction, InvalidValue>>;

using UniqueFile = UniqueHandle<::CloseHandle, -1>;
using UniqueKernelHandle = UniqueHandle<::CloseHandle>;
using UniqueFind = UniqueHandle<::FindClose, -1>;
using UniqueActCtx = UniqueHandle<::ReleaseActCtx, -1>;
using UniqueRegKey = UniqueResource<HandleTraits<HKEY, ::RegCloseKey>>;
using UniqueLibrary = UniqueResource<HandleTraits<HMODULE, ::FreeLibrary>>;
using UniqueWindow = UniqueResource<HandleTraits<HWND, ::DestroyWindow>>;
using UniqueGdiObject = UniqueResource<HandleTraits<HGDIOBJ, ::DeleteObject>>;
using UniqueIcon = UniqueResource<HandleTraits<HICON, ::DestroyIcon>>;
using UniqueBstr = UniqueResource<HandleTraits<BSTR, ::SysFreeString>>;
using UniqueWindowsHook = UniqueResource<HandleTraits<HHOOK, ::UnhookWindowsHookEx>>;
// A device context from GetDC(nullptr): the whole screen.
using UniqueScreenDc = UniqueResource<HandleTraits<HDC, [](HDC dc) { ::ReleaseDC(nullptr, dc); }>>;

// An activation context active on this thread for the scope's lifetime; does
// nothing when the context could not be activated.
class ScopedActCtxActivation {
  public:
    explicit ScopedActCtxActivation(HANDLE context) noexcept {
        if (context != INVALID_HANDLE_VALUE && !::ActivateActCtx(context, &cookie_)) cookie_ = 0;
    }
    ScopedActCtxActivation(const ScopedActCtxActivation&) = delete;
    ScopedActCtxActivation& operator=(const ScopedActCtxActivation&) = delete;
    ~ScopedActCtxActivation() {
        if (cookie_) ::DeactivateActCtx(0, cookie_);
    }
    bool active() const noexcept { return cookie_ != 0; }

  private:
    ULONG_PTR cookie_ = 0;
};

inline UniqueBstr MakeBstr(std::wstring_view text) {
    return UniqueBstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

template <typename T>
// NOLINTNEXTLINE(cppcoreguidelines-special-member-functions) // operator=(ComPtr) moves too
class ComPtr {
  public:
    ComPtr() noexcept = default;
    // cppcheck-suppress noExplicitConstructor ; a raw pointer converts, taking its own reference
    ComPtr(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference the caller already owns.
    static ComPtr Attach(T* p) noexcept {
        ComPtr result;
        result.p_ = p;
        return result;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset() noexcept {
        if (T* old = std::exchange(p_, nullptr)) old->Release();
    }
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    T* detach() noexcept { return std::exchange(p_, nullptr); }

    template <typename U>
    HRESULT As(ComPtr<U>& other) const noexcept {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(__uuidof(U), other.put_void());
    }

  private:
    T* p_ = nullptr;
};

// VariantClear on every path out.
class UniqueVariant {
  public:
    UniqueVariant() noexcept { ::VariantInit(&v_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    ~UniqueVariant() { ::VariantClear(&v_); }
    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    VARIANT* put() noexcept {
        ::VariantClear(&v_);
        return &v_;
    }

  private:
    VARIANT v_{};
};

}  // namespace vantrel2
