// Many runs in one host process through the COM object's vtable, and many
// loads and unloads of the DLL: handle, GDI and USER object counts and
// private memory must stay flat once warmed up. The figures are printed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <string>
#include <thread>

#include "Vantrel2_idl.h"
#include "child_process.h"
#include "commonModule.h"
#include "settings.h"
#include "layout.h"
#include "process_figures.h"
#include "temp_folder.h"
#include "win_handles.h"

namespace vantrel2 {
namespace {

constexpr wchar_t kCaption[] = L"各種履歴･情報ファイル削除";

// --- Figures ------------------------------------------------------------------

using Figures = figures::ProcessFigures;

Figures Measure() { return figures::MeasureProcess(); }

void Print(const char* label, const Figures& f) {
    std::printf(
        "%-28s GDI %5ld  USER %5ld  windows %4ld  handles %5ld  private %9lld  "
        "committed %9lld  next TLS %lu\n",
        label, f.gdi, f.user, f.windows, f.handles, f.privateBytes, f.committed,
        static_cast<unsigned long>(f.tlsProbe));
    std::fflush(stdout);
}

// Object counts must come back exactly; memory may move by allocator noise
// (heap growth in blocks, Wine's own caches) but not by a per-run amount:
// `memorySlack` over the whole series.
void ExpectFlat(const Figures& warm, const Figures& end, long long memorySlack) {
    EXPECT_LE(end.gdi, warm.gdi);
    EXPECT_LE(end.user, warm.user);
    EXPECT_LE(end.windows, warm.windows);
    EXPECT_LE(end.handles, warm.handles + 1);
    EXPECT_LE(end.privateBytes, warm.privateBytes + memorySlack);
    EXPECT_LE(end.committed, warm.committed + memorySlack);
    EXPECT_LE(end.tlsProbe, warm.tlsProbe);
}

// --- Driving the dialog from inside its own thread ------------------------------

// When the dialog is shown, a click on `button` is posted to it: no polling
// thread, so that hundreds of runs stay fast.
int pressOnShow = kCommand2Id;
long shows = 0;

LRESULT CALLBACK AfterWindowProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (call->message == WM_SHOWWINDOW && call->wParam) {
            wchar_t text[64] = {};
            ::GetWindowTextW(call->hwnd, text, 64);
            if (std::wstring(text) == kCaption) {
                ++shows;
                ::PostMessageW(call->hwnd, WM_COMMAND, MAKEWPARAM(pressOnShow, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(call->hwnd, pressOnShow)));
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

using GetClassObjectFunction = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
using CanUnloadNowFunction = HRESULT(__stdcall*)();

template <typename F>
F Export(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// A host folder: the DLL beside sysinfo\ and sysdata\, the stand-in command
// library where the process finds it.
class Repetition : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
        const std::wstring bin = test::ProgramFolder();
        ASSERT_TRUE(test::CopyInto(bin + L"\\Vantrel2.dll", folder / L"Vantrel2.dll"));
        ASSERT_TRUE(test::CopyInto(bin + L"\\hostlib\\VekCmdLib.dll", folder / L"VekCmdLib.dll"));
        test::MakeFolder(folder / L"sysinfo");
        test::MakeFolder(folder / L"sysdata");
        ::SetEnvironmentVariableW(L"VEKCMDLIB_LOG", nullptr);
        hostLibraryFolder_ = ::AddDllDirectory(folder.path().c_str());
        ASSERT_TRUE(hostLibraryFolder_);
        hook.reset(::SetWindowsHookExW(WH_CALLWNDPROCRET, AfterWindowProc, nullptr,
                                       ::GetCurrentThreadId()));
        ASSERT_TRUE(hook);
    }
    void TearDown() override {
        hook.reset();
        ::RemoveDllDirectory(hostLibraryFolder_);
        ::CoUninitialize();
    }
    void MakeTargets() {
        for (const wchar_t* name : {L"sysdata\\FileOpenDlg.ini", L"sysinfo\\BndAttrData.ini",
                                    L"sysinfo\\DrwAttrData.ini"}) {
            test::WriteBytes(folder / name, "host data");
        }
    }
    bool TargetsGone() {
        return !test::Exists(folder / L"sysdata\\FileOpenDlg.ini") &&
               !test::Exists(folder / L"sysinfo\\BndAttrData.ini") &&
               !test::Exists(folder / L"sysinfo\\DrwAttrData.ini");
    }
    static ComPtr<_OrvaneVbCommand> Create(HMODULE dll) {
        ComPtr<_OrvaneVbCommand> command;
        auto getClassObject = Export<GetClassObjectFunction>(dll, "DllGetClassObject");
        ComPtr<IClassFactory> factory;
        if (!getClassObject ||
            FAILED(getClassObject(CLSID_OrvaneVbCommand, IID_IClassFactory, factory.put_void()))) {
            return command;
        }
        factory->CreateInstance(nullptr, IID__OrvaneVbCommand, command.put_void());
        return command;
    }

    test::TempFolder folder;
    // Where the command finds VekCmdLib.dll, as the host's folder is for the host.
    DLL_DIRECTORY_COOKIE hostLibraryFolder_ = nullptr;
    UniqueWindowsHook hook;
};

TEST_F(Repetition, ThreeHundredCancelsAndAHundredExecutesStayFlat) {
    const UniqueLibrary dll(::LoadLibraryW((folder / L"Vantrel2.dll").c_str()));
    ASSERT_TRUE(dll);
    ComPtr<_OrvaneVbCommand> command = Create(dll.get());
    ASSERT_TRUE(command);
    // The confirmation off, every row ticked: each Execute deletes three files.
    ProfileWrite(folder / L"sysinfo\\kxSystem.ini", kSettingsSection, kConfirmKey, L"0");
    const auto run = [&](int button, int count, bool targets) {
        pressOnShow = button;
        for (int i = 0; i < count; ++i) {
            if (targets) MakeTargets();
            LONG nCode = 0;
            const long before = shows;
            const HRESULT hr = command->VekProcStartCmd(0, 0, &nCode);
            if (hr != S_OK || shows != before + 1 || (targets && !TargetsGone())) {
                ADD_FAILURE() << "run " << i << ": hr " << std::hex << hr << ", shown "
                              << (shows - before) << ", targets gone " << TargetsGone();
                return false;
            }
        }
        return true;
    };
    const Figures start = Measure();
    Print("before", start);
    ASSERT_TRUE(run(kCommand2Id, 20, false));
    const Figures warmCancel = Measure();
    Print("after 20 Cancel (warm-up)", warmCancel);
    ASSERT_TRUE(run(kCommand2Id, 280, false));
    const Figures endCancel = Measure();
    Print("after 300 Cancel", endCancel);
    ASSERT_TRUE(run(kCommand1Id, 10, true));
    const Figures warmExecute = Measure();
    Print("after 10 Execute (warm-up)", warmExecute);
    ASSERT_TRUE(run(kCommand1Id, 90, true));
    const Figures endExecute = Measure();
    Print("after 100 Execute", endExecute);
    EXPECT_EQ(shows, 400);
    ExpectFlat(warmCancel, endCancel, 256 * 1024);
    ExpectFlat(warmExecute, endExecute, 256 * 1024);
}

// Forty times: load the DLL, start the command, let a thread start and end,
// unload it, as a host that frees idle DLLs between commands. The module
// pins itself, so only the first load may take anything (its TLS index, the
// runtime's, the type information, the host library binding): from the
// figures after the first cycle to those after the last, TLS indexes,
// handles, windows and GDI objects stay exactly, memory within noise.
TEST_F(Repetition, FortyLoadsAndUnloadsTakeNothingAfterTheFirst) {
    pressOnShow = kCommand2Id;
    const std::wstring path = folder / L"Vantrel2.dll";
    Figures first;
    HMODULE module = nullptr;
    for (int cycle = 1; cycle <= 40; ++cycle) {
        HMODULE dll = ::LoadLibraryW(path.c_str());
        ASSERT_NE(dll, nullptr) << cycle;
        if (!module) module = dll;
        EXPECT_EQ(dll, module) << cycle;
        {
            ComPtr<_OrvaneVbCommand> command = Create(dll);
            ASSERT_TRUE(command) << cycle;
            LONG nCode = 0;
            const long before = shows;
            EXPECT_EQ(command->VekProcStartCmd(0, 0, &nCode), S_OK) << cycle;
            EXPECT_EQ(shows, before + 1) << cycle;
        }
        std::thread([] {}).join();
        EXPECT_EQ(Export<CanUnloadNowFunction>(dll, "DllCanUnloadNow")(), S_OK) << cycle;
        EXPECT_TRUE(::FreeLibrary(dll));
        ASSERT_EQ(::GetModuleHandleW(path.c_str()), module) << "pinned, cycle " << cycle;
        if (cycle == 1) first = Measure();
    }
    const Figures last = Measure();
    Print("Vantrel2.dll, after 1 load", first);
    Print("Vantrel2.dll, after 40 loads", last);
    EXPECT_EQ(last.tlsProbe, first.tlsProbe);
    ExpectFlat(first, last, 256 * 1024);
}

}  // namespace
}  // namespace vantrel2
