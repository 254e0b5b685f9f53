#include "CommonDialog1.h"

#include <gtest/gtest.h>

#include <commdlg.h>
#include <dlgs.h>

#include <functional>
#include <thread>

#include "temp_folder.h"
#include "win_handles.h"
#include "window_driver.h"

namespace vantrel2 {
namespace {

using test::TempFolder;
using test::WindowText;

// What the second thread saw of the file-open dialog.
struct DialogSeen {
    bool appeared = false;
    bool readOnlyBoxShown = true;
    std::vector<std::wstring> fileTypes;
    std::wstring initialName;
    bool closed = false;
    bool anotherDialogAfterwards = false;
    std::wstring controls;  // class, id and text of each control, for a failure message
};

BOOL CALLBACK ListControl(HWND child, LPARAM param) {
    wchar_t className[64] = {};
    ::GetClassNameW(child, className, 64);
    *reinterpret_cast<std::wstring*>(param) += std::wstring(className) + L":" +
                                               std::to_wstring(::GetDlgCtrlID(child)) + L":" +
                                               WindowText(child) + L"; ";
    return TRUE;
}

std::wstring ComboItem(HWND combo, int index) {
    const auto length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// Drives the file-open dialog that `threadId` shows: types `name` and
// presses OK, or presses Cancel when `name` is empty.
DialogSeen DriveFileOpen(DWORD threadId, const std::wstring& name) {
    DialogSeen seen;
    HWND dialog = test::WaitForThreadDialog(threadId);
    if (!dialog) return seen;
    seen.appeared = true;
    ::EnumChildWindows(dialog, ListControl, reinterpret_cast<LPARAM>(&seen.controls));
    HWND readOnly = ::GetDlgItem(dialog, chx1);
    seen.readOnlyBoxShown = readOnly && ::IsWindowVisible(readOnly);
    if (HWND types = ::GetDlgItem(dialog, cmb1)) {
        const auto count = ::SendMessageW(types, CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) seen.fileTypes.push_back(ComboItem(types, i));
    }
    if (HWND box = test::FileNameBox(dialog)) seen.initialName = WindowText(box);
    test::AnswerFileOpen(dialog, name);
    seen.closed = test::WaitForWindowGone(dialog);
    // A message box about the chosen name would be another dialog of the thread.
    seen.anotherDialogAfterwards =
        test::WaitForThreadDialog(threadId, std::chrono::milliseconds(500)) != nullptr;
    if (seen.anotherDialogAfterwards) {
        ::PostMessageW(test::WaitForThreadDialog(threadId), WM_COMMAND, IDOK, 0);
    }
    return seen;
}

class CommonDialog1Test : public ::testing::Test {
  protected:
    void SetUp() override {
        owner_.reset(::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                       0, 200, 100, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(owner_);
        ASSERT_EQ(CreateCommonDialog1(owner_.get(), component_.put()), S_OK);
    }

    // Runs the browse steps while a second thread answers the dialog.
    std::wstring Browse(const std::wstring& current, const std::wstring& typed, DialogSeen& seen) {
        const DWORD self = ::GetCurrentThreadId();
        std::thread user([&] { seen = DriveFileOpen(self, typed); });
        std::wstring result = RunFileSelection(component_.get(), current);
        user.join();
        return result;
    }

    UniqueWindow owner_;
    ComPtr<IDispatch> component_;
    TempFolder folder_;
};

TEST_F(CommonDialog1Test, ReturnsTheChosenFullPathAndLeavesTheCurrentFolder) {
    test::WriteBytes(folder_ / L"b.ini", "x");
    wchar_t before[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, before);
    DialogSeen seen;
    const std::wstring chosen = Browse(folder_ / L"a.ini", L"b.ini", seen);
    ASSERT_TRUE(seen.appeared);
    EXPECT_TRUE(seen.closed) << seen.controls;
    EXPECT_EQ(seen.initialName, L"a.ini");
    EXPECT_FALSE(seen.readOnlyBoxShown);
    EXPECT_EQ(seen.fileTypes, std::vector<std::wstring>{L"設定ファイル (*.ini)"});
    EXPECT_EQ(::lstrcmpiW(chosen.c_str(), (folder_ / L"b.ini").c_str()), 0) << chosen;
    wchar_t after[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_STREQ(after, before);
}

TEST_F(CommonDialog1Test, CancelLeavesTheTextExactlyAsItWas) {
    for (const std::wstring& current :
         {folder_ / L"a.ini", std::wstring(), std::wstring(L"  x ")}) {
        DialogSeen seen;
        EXPECT_EQ(Browse(current, L"", seen), current);
        ASSERT_TRUE(seen.appeared);
        EXPECT_TRUE(seen.closed);
        EXPECT_FALSE(seen.anotherDialogAfterwards);
    }
}

TEST_F(CommonDialog1Test, ANameWithAnotherExtensionComesBackWithoutAMessage) {
    test::WriteBytes(folder_ / L"c.txt", "x");
    DialogSeen seen;
    const std::wstring chosen = Browse(folder_ / L"a.ini", L"c.txt", seen);
    ASSERT_TRUE(seen.appeared);
    EXPECT_FALSE(seen.anotherDialogAfterwards);
    EXPECT_EQ(::lstrcmpiW(chosen.c_str(), (folder_ / L"c.txt").c_str()), 0) << chosen;
}

HRESULT Call(IDispatch* component, DISPID id, WORD flags, VARIANT* argument, VARIANT* result,
             EXCEPINFO* exception = nullptr) {
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{argument, flags == DISPATCH_PROPERTYPUT ? &put : nullptr, argument ? 1U : 0U,
                      flags == DISPATCH_PROPERTYPUT ? 1U : 0U};
    return component->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, exception,
                             nullptr);
}

TEST_F(CommonDialog1Test, AnswersByNameAndIdAndRaisesTheCancelError) {
    const wchar_t* names[] = {L"FileName", L"cancelerror", L"FILTER", L"Flags", L"ShowOpen"};
    const DISPID expected[] = {1, 18, 3, 7, 30};
    for (int i = 0; i < 5; ++i) {
        LPOLESTR name = const_cast<LPOLESTR>(names[i]);
        DISPID id = 0;
        EXPECT_EQ(component_->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
        EXPECT_EQ(id, expected[i]);
    }
    LPOLESTR unknown = const_cast<LPOLESTR>(L"ShowSave");
    DISPID id = 0;
    EXPECT_EQ(component_->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);

    UniqueVariant number;  // a number put into Flags and read back
    number.get()->vt = VT_I2;
    number.get()->iVal = 4;
    EXPECT_EQ(Call(component_.get(), kDispidFlags, DISPATCH_PROPERTYPUT, number.get(), nullptr),
              S_OK);
    UniqueVariant flags;
    EXPECT_EQ(Call(component_.get(), kDispidFlags, DISPATCH_PROPERTYGET, nullptr, flags.get()),
              S_OK);
    EXPECT_EQ(flags.get()->vt, VT_I4);
    EXPECT_EQ(flags.get()->lVal, 4);

    UniqueVariant yes;
    yes.get()->vt = VT_BOOL;
    yes.get()->boolVal = VARIANT_TRUE;
    EXPECT_EQ(Call(component_.get(), kDispidCancelError, DISPATCH_PROPERTYPUT, yes.get(), nullptr),
              S_OK);
    DialogSeen seen;
    std::thread user([&, self = ::GetCurrentThreadId()] { seen = DriveFileOpen(self, L""); });
    EXCEPINFO exception{};
    const HRESULT shown =
        Call(component_.get(), kDispidShowOpen, DISPATCH_METHOD, nullptr, nullptr, &exception);
    user.join();
    ASSERT_TRUE(seen.appeared);
    EXPECT_EQ(shown, DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, kCancelSelected);
    EXPECT_STREQ(exception.bstrDescription, L"Cancel was selected.");
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);

    EXPECT_EQ(RunFileSelection(nullptr, L"kept"), L"kept");
}

}  // namespace
}  // namespace vantrel2
