#include "layout_check.h"

#include <gtest/gtest.h>

#include "child_process.h"
#include "temp_folder.h"
#include "common/win32/win_handles.h"
#include "window_driver.h"

namespace vantrel2::test {
namespace {

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0));
    EXPECT_NE(handle, nullptr) << ::GetDlgCtrlID(control);
    if (handle) ::GetObjectW(handle, sizeof(font), &font);
    return font;
}

constexpr wchar_t kReportVariable[] = L"VANTREL2_DPI_CHILD_REPORT";

// Keeps a DWORD value under HKCU as it was found (or absent).
class RestoredDword {
  public:
    RestoredDword(const wchar_t* subKey, const wchar_t* name) : name_(name) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, subKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          nullptr, key_.put(), nullptr);
        DWORD size = sizeof(previous_);
        DWORD type = 0;
        hadValue_ =
            ::RegQueryValueExW(key_.get(), name_, nullptr, &type,
                               reinterpret_cast<BYTE*>(&previous_), &size) == ERROR_SUCCESS &&
            type == REG_DWORD;
    }
    ~RestoredDword() {
        if (hadValue_) {
            Set(previous_);
        } else {
            ::RegDeleteValueW(key_.get(), name_);
        }
    }
    RestoredDword(const RestoredDword&) = delete;
    RestoredDword& operator=(const RestoredDword&) = delete;

    void Set(DWORD value) {
        ::RegSetValueExW(key_.get(), name_, 0, REG_DWORD, reinterpret_cast<BYTE*>(&value),
                         sizeof(value));
    }

  private:
    UniqueRegKey key_;
    const wchar_t* name_;
    DWORD previous_ = 0;
    bool hadValue_ = false;
};

ChildResult RunAtDpi(const wchar_t* childTest, DWORD dpi, const std::wstring& reportFile) {
    // Wine reads the DPI from here at process start, and its font cache
    // notes the last DPI it saw under Software\Wine\Fonts.
    const RestoredDword fontCacheDpi(L"Software\\Wine\\Fonts", L"LogPixels");
    RestoredDword screenDpi(L"Control Panel\\Desktop", L"LogPixels");
    screenDpi.Set(dpi);
    ::SetEnvironmentVariableW(kReportVariable, reportFile.c_str());
    ChildResult result = RunChild(OwnTestCommandLine(childTest), {}, 90000);
    ::SetEnvironmentVariableW(kReportVariable, nullptr);
    return result;
}

}  // namespace

int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

PixelRect PlaceInClient(HWND dialog, HWND control) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void ExpectLayout(HWND dialog, SIZE client, const std::vector<ExpectedControl>& controls,
                  LONG fontHeight) {
    RECT clientRect{};
    ::GetClientRect(dialog, &clientRect);
    EXPECT_EQ(clientRect.right, client.cx);
    EXPECT_EQ(clientRect.bottom, client.cy);
    for (const ExpectedControl& expected : controls) {
        SCOPED_TRACE(expected.id);
        HWND control = ::GetDlgItem(dialog, expected.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(PlaceInClient(dialog, control), expected.at);
        if (expected.caption) {
            EXPECT_EQ(WindowText(control), expected.caption);
        }
        EXPECT_TRUE(::IsWindowVisible(control));
        const LOGFONTW font = FontOf(control);
        EXPECT_STREQ(font.lfFaceName, L"Meiryo UI");
        EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
        EXPECT_EQ(font.lfWeight, FW_NORMAL);
        EXPECT_EQ(font.lfHeight, fontHeight);
        EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
    }
}

void MeasureInChildAtDpi(const wchar_t* childTest, DWORD dpi, std::string* report) {
    const TempFolder folder;
    const std::wstring reportFile = folder / L"child-measured";
    const ChildResult child = RunAtDpi(childTest, dpi, reportFile);
    ASSERT_TRUE(child.started);
    EXPECT_EQ(child.exitCode, 0u) << child.output;
    ASSERT_TRUE(Exists(reportFile)) << "the child did not measure the dialog";
    if (report) {
        const auto measured = ReadBytes(reportFile);
        report->assign(measured.begin(), measured.end());
    }
}

std::wstring DpiReportFile() {
    wchar_t file[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(kReportVariable, file, MAX_PATH);
    return length < MAX_PATH ? std::wstring(file, length) : std::wstring();
}

void ReportMeasured(const std::wstring& reportFile, std::string_view measured) {
    if (!::testing::Test::HasFailure()) WriteBytes(reportFile, measured);
}

}  // namespace vantrel2::test
