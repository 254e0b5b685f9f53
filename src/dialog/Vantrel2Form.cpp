#include "Vantrel2Form.h"

#include <olectl.h>

#include "visual_styles.h"
#include "win_util.h"

#include <cmath>
#include <cstring>
#include <new>
#include <optional>

namespace vantrel2 {
namespace {

inline constexpr int kFontPoints = 9;
inline constexpr wchar_t kFontFace[] = L"Meiryo UI";
inline constexpr int kIconSize = 32;

struct Dpi {
    int x = USER_DEFAULT_SCREEN_DPI;
    int y = USER_DEFAULT_SCREEN_DPI;
};

Dpi ScreenDpi() {
    Dpi dpi;
    const UniqueScreenDc screen(::GetDC(nullptr));
    if (screen) {
        dpi.x = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
        dpi.y = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    }
    return dpi;
}

// Windows 7 has none of these; Windows 8.1 only the shcore pair.
template <typename Function>
Function Lookup(HMODULE module, const char* name) {
    return module
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
               : nullptr;
}

inline constexpr int kPerMonitorAware =
    2;  // DPI_AWARENESS_PER_MONITOR_AWARE, PROCESS_PER_MONITOR_DPI_AWARE

// The DPI of the monitor the window is on when this thread is per-monitor
// DPI aware; nothing otherwise, and the system DPI applies.
std::optional<Dpi> PerMonitorDpi(HWND window) {
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    using GetThreadContext = HANDLE(WINAPI*)();
    using GetAwareness = int(WINAPI*)(HANDLE);
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    const auto getThreadContext = Lookup<GetThreadContext>(user32, "GetThreadDpiAwarenessContext");
    const auto getAwareness = Lookup<GetAwareness>(user32, "GetAwarenessFromDpiAwarenessContext");
    const auto getDpiForWindow = Lookup<GetDpiForWindowFunction>(user32, "GetDpiForWindow");
    if (getThreadContext && getAwareness && getDpiForWindow) {
        if (getAwareness(getThreadContext()) != kPerMonitorAware) return std::nullopt;
        const int dpi = static_cast<int>(getDpiForWindow(window));
        if (dpi <= 0) return std::nullopt;
        return Dpi{dpi, dpi};
    }
    const UniqueLibrary shcore(
        ::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    using GetProcessAwareness = HRESULT(WINAPI*)(HANDLE, int*);
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    const auto getProcessAwareness =
        Lookup<GetProcessAwareness>(shcore.get(), "GetProcessDpiAwareness");
    const auto getDpiForMonitor =
        Lookup<GetDpiForMonitorFunction>(shcore.get(), "GetDpiForMonitor");
    int awareness = 0;
    if (!getProcessAwareness || !getDpiForMonitor ||
        FAILED(getProcessAwareness(nullptr, &awareness)) || awareness != kPerMonitorAware) {
        return std::nullopt;
    }
    UINT x = 0;
    UINT y = 0;
    const HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    if (FAILED(getDpiForMonitor(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) || !x || !y) {
        return std::nullopt;
    }
    return Dpi{static_cast<int>(x), static_cast<int>(y)};
}

// The dialog rescales itself on a DPI change; the dialog manager of
// per-monitor v2 must not do it a second time.
void KeepDialogManagerFromRescaling(HWND window) {
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    using SetBehavior = BOOL(WINAPI*)(HWND, int, int);
    constexpr int kDisableAll = 1;       // DDC_DISABLE_ALL
    constexpr int kDisableControls = 3;  // DCDC_DISABLE_FONTUPDATE | DCDC_DISABLE_RELAYOUT
    if (const auto setDialog = Lookup<SetBehavior>(user32, "SetDialogDpiChangeBehavior")) {
        setDialog(window, kDisableAll, kDisableAll);
    }
    if (const auto setControl = Lookup<SetBehavior>(user32, "SetDialogControlDpiChangeBehavior")) {
        for (HWND child = ::GetWindow(window, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            setControl(child, kDisableControls, kDisableControls);
        }
    }
}

UniqueGdiObject CreateFormFont(int dpiY) {
    return UniqueGdiObject(::CreateFontW(-::MulDiv(kFontPoints, dpiY, 72), 0, 0, 0, FW_NORMAL,
                                         FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                         DEFAULT_PITCH | FF_DONTCARE, kFontFace));
}

struct Rgb {
    BYTE r, g, b;
};

// The icon: a sheet of paper with ruled lines and a red "delete" disc with a
// white cross over its lower right corner. Nothing where it is transparent.
std::optional<Rgb> IconPixel(int x, int y) {
    const double dx = x - 22.5;
    const double dy = y - 22.5;
    const double distance = std::sqrt(dx * dx + dy * dy);
    if (distance <= 8.5) {
        const bool onCross =
            distance <= 5.5 && (std::abs(dx - dy) < 1.5 || std::abs(dx + dy) < 1.5);
        return onCross ? Rgb{255, 255, 255} : Rgb{200, 32, 32};
    }
    const bool inPage = x >= 4 && x <= 21 && y >= 2 && y <= 29;
    const bool folded = (x - 15) > (y - 2);
    if (!inPage || folded) return std::nullopt;
    const bool edge = x == 4 || x == 21 || y == 2 || y == 29 || (x - 15) == (y - 2) ||
                      (x >= 15 && y == 8) || (x == 15 && y <= 8);
    if (edge) return Rgb{80, 80, 80};
    const bool ruled = y >= 11 && y <= 26 && (y - 11) % 4 == 0 && x >= 7 && x <= 18;
    return ruled ? Rgb{140, 165, 205} : Rgb{255, 255, 255};
}

UniqueIcon MakeFormIcon() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kIconSize;
    info.bmiHeader.biHeight = -kIconSize;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const UniqueGdiObject color(
        ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!color || !bits) return UniqueIcon();

    // 32 pixels of 3 bytes fill whole DWORDs, so rows need no padding; a
    // mask row is 32 bits. Transparent pixels: mask 1, colour black.
    constexpr int kColorStride = kIconSize * 3;
    constexpr int kMaskStride = kIconSize / 8;
    auto* colorBytes = static_cast<BYTE*>(bits);
    BYTE maskBytes[kMaskStride * kIconSize] = {};
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            BYTE* pixel = colorBytes + y * kColorStride + x * 3;
            if (const auto rgb = IconPixel(x, y)) {
                pixel[0] = rgb->b;
                pixel[1] = rgb->g;
                pixel[2] = rgb->r;
            } else {
                pixel[0] = pixel[1] = pixel[2] = 0;
                maskBytes[y * kMaskStride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
            }
        }
    }
    ::GdiFlush();
    const UniqueGdiObject mask(::CreateBitmap(kIconSize, kIconSize, 1, 1, maskBytes));
    if (!mask) return UniqueIcon();
    ICONINFO icon{};
    icon.fIcon = TRUE;
    icon.hbmMask = static_cast<HBITMAP>(mask.get());
    icon.hbmColor = static_cast<HBITMAP>(color.get());
    return UniqueIcon(::CreateIconIndirect(&icon));  // copies both bitmaps
}

// A dialog template without controls: they are created at pixel positions
// from the twip table once the DPI is known.
std::vector<WORD> DialogTemplate() {
    DLGTEMPLATE header{};
    header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD));
    std::memcpy(words.data(), &header, sizeof(DLGTEMPLATE));
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard dialog class
    for (const wchar_t* c = kVantrel2FormCaption; *c; ++c) words.push_back(*c);
    words.push_back(0);
    return words;
}

// A fixed dialog: the system menu keeps Move and Close only.
void TrimSystemMenu(HWND window) {
    HMENU menu = ::GetSystemMenu(window, FALSE);
    if (!menu) return;
    for (const UINT command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) {
        ::DeleteMenu(menu, command, MF_BYCOMMAND);
    }
}

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM param) {
    try {
        if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
        }
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

bool IsRow(int id, int base) { return id >= base && id < base + kFormRowCount; }

bool IsValidRow(int row) { return row >= 0 && row < kFormRowCount; }

}  // namespace

Vantrel2Form::ThreadWindowsDisabled::ThreadWindowsDisabled() {
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectEnabledWindow,
                        reinterpret_cast<LPARAM>(&windows_));
    for (HWND window : windows_) ::EnableWindow(window, FALSE);
}

void Vantrel2Form::ThreadWindowsDisabled::Restore() noexcept {
    for (HWND window : windows_) {
        if (::IsWindow(window)) ::EnableWindow(window, TRUE);
    }
    windows_.clear();
}

Vantrel2Form::~Vantrel2Form() {
    if (window_) ::DestroyWindow(window_);
}

HRESULT Vantrel2Form::ShowModal() {
    if (window_) return E_UNEXPECTED;
    // Whatever happens below, nothing of this show outlives it.
    struct ShowScope {
        Vantrel2Form& form;
        ~ShowScope() {
            form.ForgetWindow();
            form.disabled_.reset();
            form.icon_.reset();
            form.font_.reset();
            form.previousFont_.reset();
        }
    };
    try {
        ShowScope scope{*this};
        icon_ = MakeFormIcon();
        if (!icon_) return E_OUTOFMEMORY;
        // The dialog, its nested handlers' windows and message boxes all
        // come from Common Controls 6.
        const ScopedVisualStyles styles;

        disabled_ = std::make_unique<ThreadWindowsDisabled>();
        // A hidden owner keeps the dialog out of the taskbar without making
        // it a tool window.
        const UniqueWindow owner(::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                                   nullptr, ThisModule(), nullptr));
        if (!owner) return LastErrorResult();

        loadResult_ = S_OK;
        const std::vector<WORD> dialogTemplate = DialogTemplate();
        const INT_PTR result = ::DialogBoxIndirectParamW(
            ThisModule(), reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), owner.get(),
            DialogProc, reinterpret_cast<LPARAM>(this));
        if (result == -1) return LastErrorResult();
        return loadResult_;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

INT_PTR CALLBACK Vantrel2Form::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            auto* form = reinterpret_cast<Vantrel2Form*>(lParam);
            ::SetWindowLongPtrW(window, DWLP_USER, lParam);
            form->OnInitDialog(window);
            return FALSE;  // the focus is placed on Check1 already
        }
        auto* form = reinterpret_cast<Vantrel2Form*>(::GetWindowLongPtrW(window, DWLP_USER));
        return form ? form->HandleMessage(message, wParam, lParam) : FALSE;
    } catch (...) {
        return FALSE;
    }
}

INT_PTR Vantrel2Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DPICHANGED:
            OnDpiChanged(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:  // close button, system menu Close, Alt+F4
            Unload();
            return TRUE;
        default:
            return FALSE;
    }
}

void Vantrel2Form::OnInitDialog(HWND window) {
    window_ = window;
    try {
        TrimSystemMenu(window);
        ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
        ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
        const std::optional<Dpi> monitorDpi = PerMonitorDpi(window);
        const Dpi dpi = monitorDpi ? *monitorDpi : ScreenDpi();
        loadResult_ = UseDpi(dpi.x, dpi.y) ? CreateControls() : E_OUTOFMEMORY;
        if (SUCCEEDED(loadResult_)) {
            if (monitorDpi) KeepDialogManagerFromRescaling(window);
            ApplyClientSize();
            ::SendMessageW(window, DM_SETDEFID, kCommand1Id, 0);
            loadResult_ = RunLoadStep(CurrentSharedState());
        }
    } catch (const std::bad_alloc&) {
        loadResult_ = E_OUTOFMEMORY;
    } catch (...) {
        loadResult_ = E_FAIL;
    }
    if (FAILED(loadResult_)) {
        Unload();  // before the dialog is ever shown
        return;
    }
    ::SetFocus(check1_);
}

bool Vantrel2Form::UseDpi(int dpiX, int dpiY) {
    UniqueGdiObject font = CreateFormFont(dpiY);
    if (!font) return false;
    twipsPerPixelX_ = TwipsPerPixel(dpiX);
    twipsPerPixelY_ = TwipsPerPixel(dpiY);
    // The controls still hold the old font until PlaceControls gives them
    // this one; it goes when the show ends.
    previousFont_ = std::move(font_);
    font_ = std::move(font);
    return true;
}

void Vantrel2Form::PlaceControls() {
    for (const ControlDesign& design : kControlDesigns) {
        HWND control = ::GetDlgItem(window_, design.id);
        if (!control) continue;
        const PixelRect at = ToPixels(design.twips, twipsPerPixelX_, twipsPerPixelY_);
        ::SetWindowPos(control, nullptr, at.left, at.top, at.width, at.height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
}

void Vantrel2Form::OnDpiChanged(int dpiX, int dpiY, const RECT* suggested) {
    if (!window_ || !UseDpi(dpiX, dpiY)) return;
    PlaceControls();
    previousFont_.reset();
    if (suggested) {
        ::SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ApplyClientSize();
}

HRESULT Vantrel2Form::CreateControls() {
    const HINSTANCE instance = ThisModule();
    for (const ControlDesign& design : ControlsInTabOrder()) {
        const wchar_t* windowClass = L"Button";
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
        DWORD exStyle = 0;
        switch (design.kind) {
            case ControlKind::CheckBox:
                style |= BS_3STATE;  // the value is set here, never by the control itself
                break;
            case ControlKind::TextBox:
                windowClass = L"Edit";
                style |= ES_LEFT | ES_AUTOHSCROLL;
                exStyle = WS_EX_CLIENTEDGE;
                break;
            case ControlKind::Button:
                style |= design.id == kCommand1Id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
                break;
        }
        const PixelRect at = ToPixels(design.twips, twipsPerPixelX_, twipsPerPixelY_);
        HWND control = ::CreateWindowExW(
            exStyle, windowClass, design.caption, style, at.left, at.top, at.width, at.height,
            window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)), instance, nullptr);
        if (!control) return LastErrorResult();
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        const int id = design.id;
        if (IsRow(id, kCheck2Id)) check2_[id - kCheck2Id] = control;
        if (IsRow(id, kText2Id)) text2_[id - kText2Id] = control;
        if (IsRow(id, kCommand4Id)) command4_[id - kCommand4Id] = control;
        if (id == kCheck1Id) check1_ = control;
        if (design.kind == ControlKind::TextBox) ::SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
        if (design.kind == ControlKind::CheckBox)
            ::SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
    }
    return S_OK;
}

void Vantrel2Form::ApplyClientSize() {
    const int width = TwipsToPixels(kClientTwips.width, twipsPerPixelX_);
    const int height = TwipsToPixels(kClientTwips.height, twipsPerPixelY_);
    RECT outer{0, 0, width, height};
    ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongW(window_, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongW(window_, GWL_EXSTYLE)));
    ::SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Frame metrics can differ from what AdjustWindowRectEx assumes (a
    // caption font, a window manager): correct by what the client got.
    RECT client{};
    RECT window{};
    ::GetClientRect(window_, &client);
    ::GetWindowRect(window_, &window);
    const int missingX = width - (client.right - client.left);
    const int missingY = height - (client.bottom - client.top);
    if (missingX != 0 || missingY != 0) {
        ::SetWindowPos(window_, nullptr, 0, 0, window.right - window.left + missingX,
                       window.bottom - window.top + missingY,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HRESULT Vantrel2Form::RunLoadStep(const SharedState& state) {
    CentreOnPrimaryDisplay();
    SetText2(0, state.OpenHistoryFile);
    SetText2(1, state.BinderAttrFile);
    SetText2(2, state.DrawingAttrFile);
    const std::int16_t rowFlags[kFormRowCount] = {state.OpenHistoryFlag, state.BinderAttrFlag,
                                                  state.DrawingAttrFlag};
    for (int row = 0; row < kFormRowCount; ++row) {
        const HRESULT hr = SetCheck2Value(row, rowFlags[row]);
        if (FAILED(hr)) return hr;
    }
    return SetCheck1Value(state.ConfirmFlag);
}

void Vantrel2Form::CentreOnPrimaryDisplay() {
    RECT outer{};
    ::GetWindowRect(window_, &outer);
    const double screenWidth = double(::GetSystemMetrics(SM_CXSCREEN)) * twipsPerPixelX_;
    const double screenHeight = double(::GetSystemMetrics(SM_CYSCREEN)) * twipsPerPixelY_;
    const double outerWidth = double(outer.right - outer.left) * twipsPerPixelX_;
    const double outerHeight = double(outer.bottom - outer.top) * twipsPerPixelY_;
    const int left = TwipsToPixels(CentredOrigin(screenWidth, outerWidth), twipsPerPixelX_);
    const int top = TwipsToPixels(CentredOrigin(screenHeight, outerHeight), twipsPerPixelY_);
    ::SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Vantrel2Form::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    // A user's click toggles ticked and unticked; a greyed box becomes ticked.
    if (IsRow(id, kCheck2Id)) {
        const int row = id - kCheck2Id;
        SetCheck2Value(row, Check2Value(row) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    } else if (id == kCheck1Id) {
        SetCheck1Value(Check1Value() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    } else if (id == kCommand1Id) {
        OnExecute();
    } else if (id == kCommand2Id) {
        Unload();
    } else if (IsRow(id, kCommand4Id)) {
        OnBrowse(id - kCommand4Id);
    }
    // IDCANCEL from Esc reaches here too and is ignored: no button cancels.
}

void Vantrel2Form::OnCheck2Click(int row) {
    const BOOL ticked = Check2Value(row) == BST_CHECKED;
    ::EnableWindow(text2_[row], ticked);
    ::EnableWindow(command4_[row], ticked);
}

HRESULT Vantrel2Form::SetCheckValue(HWND box, int value, int row) {
    if (value < BST_UNCHECKED || value > BST_INDETERMINATE) return CTL_E_INVALIDPROPERTYVALUE;
    if (!box) return E_UNEXPECTED;
    if (::SendMessageW(box, BM_GETCHECK, 0, 0) == value) return S_OK;
    ::SendMessageW(box, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    if (row >= 0) OnCheck2Click(row);  // Check1 has no Click handler
    return S_OK;
}

HRESULT Vantrel2Form::SetCheck2Value(int row, int value) {
    if (!IsValidRow(row)) return E_INVALIDARG;
    return SetCheckValue(check2_[row], value, row);
}

HRESULT Vantrel2Form::SetCheck1Value(int value) { return SetCheckValue(check1_, value, -1); }

std::int16_t Vantrel2Form::Check2Value(int row) const {
    if (!IsValidRow(row) || !check2_[row]) return 0;
    return static_cast<std::int16_t>(::SendMessageW(check2_[row], BM_GETCHECK, 0, 0));
}

std::int16_t Vantrel2Form::Check1Value() const {
    if (!check1_) return 0;
    return static_cast<std::int16_t>(::SendMessageW(check1_, BM_GETCHECK, 0, 0));
}

std::wstring Vantrel2Form::Text2(int row) const {
    if (!IsValidRow(row) || !text2_[row]) return {};
    const int length = ::GetWindowTextLengthW(text2_[row]);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(text2_[row], text.data(), length + 1)));
    return text;
}

void Vantrel2Form::SetText2(int row, std::wstring_view text) {
    if (!IsValidRow(row) || !text2_[row]) return;
    const std::wstring terminated(text);
    ::SetWindowTextW(text2_[row], terminated.c_str());
}

bool Vantrel2Form::Unload() {
    if (!window_) return false;
    // The host's windows first, so that activation can return to them.
    if (disabled_) disabled_->Restore();
    return ::EndDialog(window_, 0) != FALSE;
}

void Vantrel2Form::ForgetWindow() noexcept {
    window_ = nullptr;
    commonDialog1_.reset();
    for (int row = 0; row < kFormRowCount; ++row) {
        check2_[row] = text2_[row] = command4_[row] = nullptr;
    }
    check1_ = nullptr;
}

std::unique_ptr<ModalDialog> CreateVantrel2Form() { return std::make_unique<Vantrel2Form>(); }

}  // namespace vantrel2
