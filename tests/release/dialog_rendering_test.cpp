// How the dialog draws: controls from Common Controls 6 whatever this
// program's own manifest says, and a layout that follows the monitor's DPI
// by the twip rule.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <future>
#include <string>
#include <vector>

#include "dialog/Vantrel2Form.h"
#include "common/commonModule.h"
#include "layout_check.h"
#include "temp_folder.h"
#include "window_driver.h"

namespace vantrel2 {
namespace {

HWND Item(HWND dialog, int id) { return ::GetDlgItem(dialog, id); }

// Shows a form while `drive` works it, then closes it if `drive` did not.
bool ShowWhile(const std::function<void(HWND)>& drive) {
    SharedState& state = CurrentSharedState();
    LoadSharedState(state, L"C:\\nowhere");
    Vantrel2Form form;
    const test::ShowOutcome outcome = test::ShowWhileDriving(form, drive, test::LeftOpen::IsClosed);
    EXPECT_EQ(outcome.result, S_OK);
    return outcome.appeared;
}

// --- Visual styles ----------------------------------------------------------

// The module the procedure of the window's class lives in (the window itself
// may be subclassed).
HMODULE ProcedureModule(HWND window) {
    HMODULE module = nullptr;
    const auto procedure = ::GetClassLongPtrW(window, GCLP_WNDPROC);
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(procedure), &module);
    return module;
}

// comctl32 as a program asking for Common Controls 6 gets it, found through a
// manifest of the test's own rather than the one under test. (Wine's copy
// reports version 5.81 whichever side it comes from, so the version number
// cannot tell them apart.)
HMODULE CommonControls6() {
    static const HMODULE module = [] {
        static constexpr char kManifest[] =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
            "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
            "<dependency><dependentAssembly><assemblyIdentity type=\"win32\""
            " name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""
            " processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>"
            "</dependentAssembly></dependency></assembly>";
        const test::TempFolder folder;
        const std::wstring file = folder / L"cc6.manifest";
        test::WriteBytes(file, std::string_view(kManifest, sizeof(kManifest) - 1));
        ACTCTXW request{};
        request.cbSize = sizeof(request);
        request.lpSource = file.c_str();
        const UniqueActCtx context(::CreateActCtxW(&request));
        const ScopedActCtxActivation active(context.get());
        return active.active() ? ::LoadLibraryW(L"comctl32.dll") : nullptr;  // kept loaded
    }();
    return module;
}

std::wstring FileOf(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

void ExpectCommonControls6(HWND control) {
    ASSERT_NE(CommonControls6(), nullptr);
    const HMODULE module = ProcedureModule(control);
    EXPECT_EQ(module, CommonControls6()) << FileOf(module);
}

TEST(VisualStyles, TheProgramItselfGetsTheOldControls) {
    // Without this the checks below would prove nothing about the dialog.
    const UniqueWindow button(::CreateWindowExW(0, L"Button", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                                nullptr, nullptr, nullptr));
    ASSERT_TRUE(button);
    ASSERT_NE(CommonControls6(), nullptr);
    EXPECT_NE(ProcedureModule(button.get()), CommonControls6());
}

TEST(VisualStyles, DialogControlsComeFromCommonControls6) {
    const bool appeared = ShowWhile([](HWND dialog) {
        for (int id : {kCheck2Id + 0, kText2Id + 0, kCommand4Id + 0, kCommand1Id, kCheck1Id}) {
            SCOPED_TRACE(id);
            ExpectCommonControls6(Item(dialog, id));
        }
    });
    EXPECT_TRUE(appeared);
}

TEST(VisualStyles, MessageBoxButtonsComeFromCommonControls6) {
    auto answered = std::async(std::launch::async, [] {
        return test::AnswerMessageBox(std::wstring(kWarningTitle), IDOK, [](HWND box) {
            HWND ok = ::GetDlgItem(box, IDOK);
            ASSERT_NE(ok, nullptr);
            ExpectCommonControls6(ok);
        });
    });
    ShowWarning(L"visual styles");
    EXPECT_TRUE(answered.get().appeared);
}

// --- DPI ----------------------------------------------------------------------

using test::ExpectedControl;
using test::ExpectLayout;
using test::ScreenDpi;

// 10 twips a pixel: each value / 10, a tie (x.5) going to the even pixel.
const std::vector<ExpectedControl> k144DpiPlaces = {
    {kCheck2Id + 0, nullptr, {24, 12, 266, 26}},    {kText2Id + 0, nullptr, {24, 48, 734, 33}},
    {kCommand4Id + 0, nullptr, {768, 48, 38, 33}},  {kCheck2Id + 1, nullptr, {24, 108, 278, 26}},
    {kText2Id + 1, nullptr, {24, 144, 734, 33}},    {kCommand4Id + 1, nullptr, {768, 144, 38, 33}},
    {kCheck2Id + 2, nullptr, {24, 204, 230, 26}},   {kText2Id + 2, nullptr, {24, 240, 734, 33}},
    {kCommand4Id + 2, nullptr, {768, 240, 38, 33}}, {kCommand1Id, nullptr, {408, 288, 170, 38}},
    {kCommand2Id, nullptr, {588, 288, 170, 38}},    {kCheck1Id, nullptr, {144, 294, 182, 26}},
};
constexpr SIZE k144DpiClient{830, 345};  // 829.5 and 345
constexpr LONG k144DpiFont = -18;        // 9 pt

const std::vector<ExpectedControl> k96DpiPlaces = {
    {kCheck2Id + 0, nullptr, {16, 8, 177, 17}},    {kText2Id + 0, nullptr, {16, 32, 489, 22}},
    {kCommand4Id + 0, nullptr, {512, 32, 25, 22}}, {kCheck2Id + 2, nullptr, {16, 136, 153, 17}},
    {kCommand1Id, nullptr, {272, 192, 113, 25}},   {kCheck1Id, nullptr, {96, 196, 121, 17}},
};

TEST(DialogDpi, MovingToA144DpiMonitorLaysItOutAgainAndBack) {
    ASSERT_EQ(ScreenDpi(), 96) << "the prefix is expected at 96 dpi";
    const bool appeared = ShowWhile([](HWND dialog) {
        RECT before{};
        ::GetWindowRect(dialog, &before);
        ::SendMessageW(Item(dialog, kText2Id + 1), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(L"D:\\typed.ini"));
        // What the system would suggest: the frame scaled by 1.5 at a new place.
        const RECT suggested{40, 30, 40 + (before.right - before.left) * 3 / 2,
                             30 + (before.bottom - before.top) * 3 / 2};
        ::SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(144, 144),
                       reinterpret_cast<LPARAM>(&suggested));
        ExpectLayout(dialog, k144DpiClient, k144DpiPlaces, k144DpiFont);
        RECT after{};
        ::GetWindowRect(dialog, &after);
        EXPECT_EQ(after.left, suggested.left);
        EXPECT_EQ(after.top, suggested.top);
        // Text typed before the change is still there after it.
        EXPECT_EQ(test::WindowText(Item(dialog, kText2Id + 1)), L"D:\\typed.ini");

        const RECT back{before.left, before.top, before.right, before.bottom};
        ::SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&back));
        ExpectLayout(dialog, {553, 230}, k96DpiPlaces, -12);
        RECT restored{};
        ::GetWindowRect(dialog, &restored);
        EXPECT_EQ(restored.left, before.left);
        EXPECT_EQ(restored.right, before.right);
        EXPECT_EQ(restored.bottom, before.bottom);
    });
    EXPECT_TRUE(appeared);
}

// --- At 144 dpi from the start, in a child process with LogPixels set -------

TEST(DialogDpi, OpensAt144DpiByTheTwipRule) {
    test::MeasureInChildAtDpi(L"DialogDpiChild.DISABLED_MeasuresAt144", 144);
}

TEST(DialogDpiChild, DISABLED_MeasuresAt144) {
    const std::wstring report = test::DpiReportFile();
    if (report.empty()) GTEST_SKIP();
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetDpiForWindow")));
    ASSERT_NE(getDpiForWindow, nullptr);
    const bool appeared = ShowWhile([&](HWND dialog) {
        EXPECT_EQ(getDpiForWindow(dialog), 144u);
        ExpectLayout(dialog, k144DpiClient, k144DpiPlaces, k144DpiFont);
    });
    EXPECT_TRUE(appeared);
    test::ReportMeasured(report, "144");
}

}  // namespace
}  // namespace vantrel2
