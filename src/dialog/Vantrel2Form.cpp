#include "Vantrel2Form.h"

#include <windows.h>

namespace vantrel2 {
namespace {

// Placeholder until the real form lands: an empty modal dialog with the
// caption, closed by its close button.
INT_PTR CALLBACK PlaceholderProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        ::SetWindowTextW(window, kVantrel2FormCaption);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(window, 0);
        return TRUE;
    }
    if (message == WM_CLOSE) {
        ::EndDialog(window, 0);
        return TRUE;
    }
    return FALSE;
}

class PlaceholderForm final : public ModalDialog {
public:
    HRESULT ShowModal() override {
        struct alignas(4) Template {
            DLGTEMPLATE header;
            WORD menu, windowClass, title;
        } dialogTemplate{};
        dialogTemplate.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE;
        dialogTemplate.header.cx = 200;
        dialogTemplate.header.cy = 80;
        const INT_PTR result = ::DialogBoxIndirectParamW(
            nullptr, &dialogTemplate.header, nullptr, PlaceholderProc, 0);
        return result == -1 ? HRESULT_FROM_WIN32(::GetLastError()) : S_OK;
    }
};

}  // namespace

std::unique_ptr<ModalDialog> CreateVantrel2Form() { return std::make_unique<PlaceholderForm>(); }

}  // namespace vantrel2
