// The deletion dialog, kept by start-up in SharedState::DialogInstance.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/SharedState.h"
#include "dialog/host_modality.h"
#include "dialog/portable/layout.h"
#include "common/win32/win_handles.h"

namespace vantrel2 {

// A modal dialog owned by the CAD's window (a hidden one where the thread has
// none active): every show creates the window afresh in its design state,
// fills it from the SharedState it is given, and returns once the dialog has
// been unloaded (Cancel, the close button, or Unload()).
class Vantrel2Form : public ModalDialog {
  public:
    Vantrel2Form() = default;
    ~Vantrel2Form() override;
    Vantrel2Form(const Vantrel2Form&) = delete;
    Vantrel2Form& operator=(const Vantrel2Form&) = delete;

    // S_OK after an unload; the load step's error when a flag is no check
    // value (the dialog is then never shown); E_UNEXPECTED while already open.
    HRESULT ShowModal(const SharedState& state) override;

    // For the handlers, while the dialog is open. Rows are 0..2; a row out of
    // range, or a call while the dialog is closed, reads 0 or empty text and
    // sets nothing.

    // The dialog window: owner for message boxes and the file-open dialog.
    HWND Window() const noexcept { return window_; }
    std::int16_t Check2Value(int row) const;
    std::int16_t Check1Value() const;
    std::wstring Text2(int row) const;
    void SetText2(int row, std::wstring_view text);
    // Values 0 (unticked), 1 (ticked), 2 (greyed). A changed value runs the
    // box's Click handler; the same value again runs nothing; any other value
    // is refused with CTL_E_INVALIDPROPERTYVALUE and changes nothing.
    HRESULT SetCheck2Value(int row, int value);
    HRESULT SetCheck1Value(int value);
    // Ends the modal show; the window goes once the current handler returns.
    // False when the dialog is not open.
    bool Unload();
    // Open and not being unloaded: what a handler that waited (in a question,
    // a warning, the file-open dialog) checks before it goes on.
    bool IsOpenForUser() const noexcept;

  protected:
    // Click on Command1 (Execute): the deletion run.
    virtual void OnExecute();
    // Click on Command4 `row` (browse): the file-open dialog for that row.
    virtual void OnBrowse(int row);

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HRESULT Show(const SharedState& state);
    HRESULT OnInitDialog(HWND window);
    // Twips per pixel, font and icons for a DPI; false without a font.
    bool UseDpi(int dpiX, int dpiY);
    HRESULT CreateLoadedControls(const SharedState& state);
    void PlaceControls();
    SIZE OuterSize() const;
    void ApplyClientSize();
    // True when the size had to be corrected.
    bool CorrectClientSize();
    // The monitor's DPI changed: everything again from the twips, the frame
    // where the system suggests.
    void OnDpiChanged(int dpiX, int dpiY, const RECT* suggested);
    // CTL_E_INVALIDPROPERTYVALUE when a flag is no check value.
    static HRESULT CheckLoadedFlags(const SharedState& state);
    void CentreOnPrimaryDisplay(bool perMonitorDpi);
    bool CanPlaceAtShow(SIZE outer, bool perMonitorDpi) const;
    // The place the load step chose, given to the call that shows the
    // dialog, or set at once.
    void PlaceAsShown(WINDOWPOS& position);
    void PlaceNow();
    void OnCommand(int id, int code);
    void OnCheck2Click(int row);
    HRESULT SetCheckValue(HWND box, int value, int row);
    void ForgetWindow() noexcept;

    HWND window_ = nullptr;
    const SharedState* state_ = nullptr;  // what the show was started with
    HWND check2_[kRowCount] = {};
    HWND text2_[kRowCount] = {};
    HWND command4_[kRowCount] = {};
    HWND check1_ = nullptr;

    // Per show.
    int twipsPerPixelX_ = 15;
    int twipsPerPixelY_ = 15;
    UniqueGdiObject font_;
    UniqueGdiObject previousFont_;
    HRESULT loadResult_ = S_OK;
    std::optional<RECT> placeAtShow_;
    std::unique_ptr<HostWindowsDisabled> hostDisabled_;
    bool unloading_ = false;
    // A run or a browse is under way: nested message loops must not start
    // another one from a posted click.
    bool handlerRunning_ = false;
};

std::unique_ptr<ModalDialog> CreateVantrel2Form();

}  // namespace vantrel2
