#include "dialog/Vantrel2Form.h"

#include <olectl.h>

#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "dialog/accessible_name.h"
#include "dialog/dpi.h"
#include "common/portable/exception_boundary.h"
#include "dialog/form_controls.h"
#include "dialog/form_icon.h"
#include "common/portable/settings.h"
#include "common/trace.h"
#include "common/win32/visual_styles.h"
#include "common/win32/win_util.h"

namespace vantrel2 {
namespace {

inline constexpr int kFontPoints = 9;
// What an edit control takes before EM_SETLIMITTEXT: 30 000 characters here
// and in Wine, 32 767 in the documentation.
inline constexpr size_t kEditInitialLimit = 30000;
inline constexpr wchar_t kFontFace[] = L"Meiryo UI";

UniqueGdiObject CreateFormFont(int dpiY) {
    return UniqueGdiObject(::CreateFontW(-::MulDiv(kFontPoints, dpiY, 72), 0, 0, 0, FW_NORMAL,
                                         FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                         DEFAULT_PITCH | FF_DONTCARE, kFontFace));
}

// A dialog template without controls: they are created at pixel positions
// from the twip table once the DPI is known.
const DLGTEMPLATE* DialogTemplate() {
    struct Template {
        DLGTEMPLATE header;
        // cppcheck-suppress unusedStructMember ; the template's layout: no menu
        WORD menu;
        // cppcheck-suppress unusedStructMember ; the template's layout: the dialog class
        WORD windowClass;
        wchar_t caption[std::size(kVantrel2FormCaption)];
    };
    static const Template dialogTemplate = [] {
        Template built{};
        built.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        std::memcpy(built.caption, kVantrel2FormCaption, sizeof built.caption);
        return built;
    }();
    return &dialogTemplate.header;
}

// A fixed dialog: the system menu keeps Move and Close only.
void TrimSystemMenu(HWND window) {
    HMENU menu = ::GetSystemMenu(window, FALSE);
    if (!menu) return;
    for (const UINT command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) {
        ::DeleteMenu(menu, command, MF_BYCOMMAND);
    }
}

// 32 and 16 pixels at 96 dpi, in proportion at any other.
void SetIcons(HWND window, int dpi) {
    for (const auto& [which, pixelsAt96] : {std::pair{ICON_BIG, 32}, {ICON_SMALL, 16}}) {
        const int pixels = ::MulDiv(pixelsAt96, dpi, USER_DEFAULT_SCREEN_DPI);
        if (const HICON icon = FormIcon(pixels)) {
            ::SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
        }
    }
}

// The CAD's window, which owns the dialog when there is one: the root owner
// of this thread's active window, if it is visible. Owned by it, the dialog
// stays out of the taskbar, comes forward with the CAD's taskbar button and
// hands the activation back to it on close, and goes with it when the CAD
// closes.
HWND HostOwnerWindow() {
    HWND active = ::GetActiveWindow();
    HWND root = active ? ::GetAncestor(active, GA_ROOTOWNER) : nullptr;
    if (!root || !::IsWindowVisible(root) ||
        ::GetWindowThreadProcessId(root, nullptr) != ::GetCurrentThreadId()) {
        return nullptr;
    }
    return root;
}

// The row whose control of one kind (`control`: check2Id, text2Id or
// command4Id) has this id; -1 for none.
int RowWith(int id, int RowDescription::*control) {
    for (int row = 0; row < kRowCount; ++row) {
        if (kRows[static_cast<std::size_t>(row)].*control == id) return row;
    }
    return -1;
}

bool IsValidRow(int row) { return row >= 0 && row < kRowCount; }

}  // namespace

Vantrel2Form::~Vantrel2Form() {
    if (window_) ::DestroyWindow(window_);
}

HRESULT Vantrel2Form::ShowModal(const SharedState& state) {
    if (window_) return E_UNEXPECTED;
    return StopExceptions([&] { return Show(state); }, CurrentExceptionResult);
}

HRESULT Vantrel2Form::Show(const SharedState& state) {
    // Whatever happens below, nothing of this show outlives it.
    struct ShowScope {
        Vantrel2Form& form;
        explicit ShowScope(Vantrel2Form& shown) noexcept : form(shown) {}
        ShowScope(const ShowScope&) = delete;
        ShowScope& operator=(const ShowScope&) = delete;
        ~ShowScope() {
            form.state_ = nullptr;
            form.ForgetWindow();
            form.hostDisabled_.reset();
            form.font_.reset();
            form.previousFont_.reset();
        }
    };
    ShowScope scope{*this};
    // The load step refuses a flag that is no check value before the
    // dialog is shown: then nothing of it needs to be made.
    if (const HRESULT hr = CheckLoadedFlags(state); FAILED(hr)) return hr;
    state_ = &state;
    // The dialog, its nested handlers' windows and message boxes all
    // come from Common Controls 6.
    const ScopedVisualStyles styles;
    VANTREL2_STEP("visual-styles-active");

    // Read before the host's windows are disabled, which may take the
    // activation from them.
    HWND owner = HostOwnerWindow();
    // Without the CAD's window, a hidden owner keeps the dialog out of the
    // taskbar without making it a tool window.
    UniqueWindow hiddenOwner;
    if (!owner) {
        hiddenOwner.reset(::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                            nullptr, ThisModule(), nullptr));
        if (!hiddenOwner) return LastErrorResult();
        owner = hiddenOwner.get();
    }
    hostDisabled_ = std::make_unique<HostWindowsDisabled>();
    VANTREL2_STEP("host-windows-disabled");

    loadResult_ = S_OK;
    const INT_PTR result = ::DialogBoxIndirectParamW(ThisModule(), DialogTemplate(), owner,
                                                     DialogProc, reinterpret_cast<LPARAM>(this));
    if (result == -1) return LastErrorResult();
    return loadResult_;
}

INT_PTR CALLBACK Vantrel2Form::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* form = reinterpret_cast<Vantrel2Form*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        form->loadResult_ =
            StopExceptions([&] { return form->OnInitDialog(window); }, CurrentExceptionResult);
        if (FAILED(form->loadResult_)) {
            form->Unload();  // before the dialog is ever shown
        } else {
            ::SetFocus(form->check1_);
            VANTREL2_STEP("focus-set");
        }
        return FALSE;  // the focus is placed already
    }
    auto* form = reinterpret_cast<Vantrel2Form*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (!form) return FALSE;
    // Out of memory in a handler: that click does nothing more.
    return StopExceptions([&] { return form->HandleMessage(message, wParam, lParam); },
                          [] { return INT_PTR{FALSE}; });
}

INT_PTR Vantrel2Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_WINDOWPOSCHANGING:
            if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW) {
                VANTREL2_STEP("show-begun");
            }
            PlaceAsShown(*reinterpret_cast<WINDOWPOS*>(lParam));
            return FALSE;  // the default handling follows
        case WM_WINDOWPOSCHANGED:
            // Shown by a call that sent no WM_WINDOWPOSCHANGING: placed now.
            if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW) PlaceNow();
            return FALSE;
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

HRESULT Vantrel2Form::OnInitDialog(HWND window) {
    window_ = window;
    VANTREL2_STEP("dialog-made");
    TrimSystemMenu(window);
    const std::optional<Dpi> monitorDpi = PerMonitorDpi(window);
    const Dpi dpi = monitorDpi ? *monitorDpi : ScreenDpi();
    if (!UseDpi(dpi.x, dpi.y)) return E_OUTOFMEMORY;
    VANTREL2_STEP("dpi-font-icons");
    // Before the controls exist, so that the dialog manager only notes
    // the id: Command1 is created with the default button's style.
    ::SendMessageW(window, DM_SETDEFID, kCommand1Id, 0);
    if (const HRESULT hr = CreateLoadedControls(*state_); FAILED(hr)) return hr;
    VANTREL2_STEP("controls-made-fonts-names-values");
    if (monitorDpi) KeepDialogManagerFromRescaling(window);
    CentreOnPrimaryDisplay(monitorDpi.has_value());
    VANTREL2_STEP("centring-worked-out");
    return S_OK;
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
    SetIcons(window_, dpiX);
    return true;
}

void Vantrel2Form::OnDpiChanged(int dpiX, int dpiY, const RECT* suggested) {
    if (!window_) return;
    PlaceNow();  // centred first, as the load step left it
    if (!UseDpi(dpiX, dpiY)) return;
    PlaceControls();
    previousFont_.reset();
    if (suggested) {
        ::SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ApplyClientSize();
}

// In tab order, which is the order the dialog manager tabs through, each
// control as the load step leaves it: the design state with the loaded
// texts and values in place, and a row that is not ticked disabled, as its
// Click handler would have left it. One message per value that differs from
// a new control's own.
HRESULT Vantrel2Form::CreateLoadedControls(const SharedState& state) {
    const HINSTANCE instance = ThisModule();
    AccessibleNames names;
    for (const ControlDesign& design : ControlsInTabOrder()) {
        const int id = design.id;
        const int checkRow = RowWith(id, &RowDescription::check2Id);
        const int textRow = RowWith(id, &RowDescription::text2Id);
        const int browseRow = RowWith(id, &RowDescription::command4Id);
        const int row = checkRow >= 0 ? checkRow : textRow >= 0 ? textRow : browseRow;
        ControlCreation creation = CreationOf(design);
        const RowDescription* const described = row >= 0 ? &kRows[row] : nullptr;
        if (described && design.kind != ControlKind::CheckBox &&
            state.*described->flag != kTicked) {
            creation.style |= WS_DISABLED;
        }
        const wchar_t* text = design.caption;
        bool textAfterLimit = false;
        if (design.kind == ControlKind::TextBox && described) {
            // An edit control may cut the text it is created with at its
            // initial limit; a path that long is set once the limit is gone.
            textAfterLimit = (state.*described->path).size() >= kEditInitialLimit;
            if (!textAfterLimit) text = (state.*described->path).c_str();
        }
        const PixelRect at = ToPixels(design.twips, twipsPerPixelX_, twipsPerPixelY_);
        // As the dialog manager makes a template's controls: no
        // WM_PARENTNOTIFY, which the dialog does not read, for each one made.
        HWND control =
            ::CreateWindowExW(creation.exStyle | WS_EX_NOPARENTNOTIFY, creation.windowClass, text,
                              creation.style, at.left, at.top, at.width, at.height, window_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (!control) return LastErrorResult();
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        if (checkRow >= 0) check2_[row] = control;
        if (textRow >= 0) text2_[row] = control;
        if (browseRow >= 0) command4_[row] = control;
        if (id == kCheck1Id) check1_ = control;
        if (design.accessibleName) names.Give(control, design.accessibleName);
        if (design.kind == ControlKind::TextBox) {
            ::SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
            if (textAfterLimit) ::SetWindowTextW(control, (state.*described->path).c_str());
        }
        if (design.kind == ControlKind::CheckBox) {
            const std::int16_t value = described ? state.*described->flag : state.ConfirmFlag;
            if (value != BST_UNCHECKED) {
                ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
            }
        }
    }
    return S_OK;
}

HRESULT Vantrel2Form::CheckLoadedFlags(const SharedState& state) {
    for (const auto flag : kSettingFlags) {
        if (state.*flag < BST_UNCHECKED || state.*flag > BST_INDETERMINATE) {
            return CTL_E_INVALIDPROPERTYVALUE;
        }
    }
    return S_OK;
}

void Vantrel2Form::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    // A user's click toggles ticked and unticked; a greyed box becomes ticked.
    const int browseRow = RowWith(id, &RowDescription::command4Id);
    if (const int row = RowWith(id, &RowDescription::check2Id); row >= 0) {
        SetCheck2Value(row, Check2Value(row) == kTicked ? BST_UNCHECKED : kTicked);
    } else if (id == kCheck1Id) {
        SetCheck1Value(Check1Value() == kTicked ? BST_UNCHECKED : kTicked);
    } else if (id == kCommand2Id) {
        Unload();
    } else if ((id == kCommand1Id || browseRow >= 0) && !handlerRunning_) {
        handlerRunning_ = true;
        struct Done {
            bool& running;
            explicit Done(bool& flag) noexcept : running(flag) {}
            Done(const Done&) = delete;
            Done& operator=(const Done&) = delete;
            ~Done() { running = false; }
        } done{handlerRunning_};
        if (id == kCommand1Id) {
            OnExecute();
        } else {
            OnBrowse(browseRow);
        }
    }
    // IDCANCEL from Esc reaches here too and is ignored: no button cancels.
}

void Vantrel2Form::OnCheck2Click(int row) {
    const BOOL ticked = Check2Value(row) == kTicked;
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
    unloading_ = true;
    if (hostDisabled_) hostDisabled_->Restore();
    return ::EndDialog(window_, 0) != FALSE;
}

bool Vantrel2Form::IsOpenForUser() const noexcept {
    return window_ && !unloading_ && ::IsWindow(window_);
}

void Vantrel2Form::ForgetWindow() noexcept {
    window_ = nullptr;
    placeAtShow_.reset();
    unloading_ = false;
    handlerRunning_ = false;
    for (int row = 0; row < kRowCount; ++row) {
        check2_[row] = text2_[row] = command4_[row] = nullptr;
    }
    check1_ = nullptr;
}

std::unique_ptr<ModalDialog> CreateVantrel2Form() { return std::make_unique<Vantrel2Form>(); }

}  // namespace vantrel2
