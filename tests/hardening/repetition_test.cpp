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
#include "command_fixture.h"
#include "common/commonModule.h"
#include "dialog/portable/layout.h"
#include "process_figures.h"
#include "common/portable/settings.h"
#include "common/win32/win_handles.h"

namespace vantrel2 {
namespace {

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

using test::CanUnloadNowFunction;
using test::Export;
using test::GetClassObjectFunction;

// A host folder: the DLL beside sysinfo\ and sysdata\, the stand-in command
// library where the process finds it. Cancel is pressed on every show unless
// a test says otherwise.
class Repetition : public test::CommandFixture {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(CommandFixture::SetUp());
        StopLogging();
        ASSERT_TRUE(test::CopyInto(test::ProgramFolder() + L"\\Vantrel2.dll",
                                   hostFolder / L"Vantrel2.dll"));
        ASSERT_NO_FATAL_FAILURE(InstallHostLibrary());
        test::MakeFolder(hostFolder / L"sysinfo");
        test::MakeFolder(hostFolder / L"sysdata");
        ASSERT_TRUE(presser);
    }
    void MakeTargets() {
        for (const wchar_t* name : {L"sysdata\\FileOpenDlg.ini", L"sysinfo\\BndAttrData.ini",
                                    L"sysinfo\\DrwAttrData.ini"}) {
            test::WriteBytes(hostFolder / name, "host data");
        }
    }
    bool TargetsGone() {
        return !test::Exists(hostFolder / L"sysdata\\FileOpenDlg.ini") &&
               !test::Exists(hostFolder / L"sysinfo\\BndAttrData.ini") &&
               !test::Exists(hostFolder / L"sysinfo\\DrwAttrData.ini");
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

    test::PressOnEveryShow presser{kCommand2Id};
};

TEST_F(Repetition, ThreeHundredCancelsAndAHundredExecutesStayFlat) {
    const UniqueLibrary dll(::LoadLibraryW((hostFolder / L"Vantrel2.dll").c_str()));
    ASSERT_TRUE(dll);
    ComPtr<_OrvaneVbCommand> command = Create(dll.get());
    ASSERT_TRUE(command);
    // The confirmation off, every row ticked: each Execute deletes three files.
    ProfileWrite(hostFolder / L"sysinfo\\kxSystem.ini", kSettingsSection, kConfirmKey, L"0");
    const auto run = [&](int button, int count, bool targets) {
        presser.Press(button);
        for (int i = 0; i < count; ++i) {
            if (targets) MakeTargets();
            LONG nCode = 0;
            const long before = presser.Shows();
            const HRESULT hr = command->VekProcStartCmd(0, 0, &nCode);
            if (hr != S_OK || presser.Shows() != before + 1 || (targets && !TargetsGone())) {
                ADD_FAILURE() << "run " << i << ": hr " << std::hex << hr << ", shown "
                              << (presser.Shows() - before) << ", targets gone " << TargetsGone();
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
    EXPECT_EQ(presser.Shows(), 400);
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
    presser.Press(kCommand2Id);
    const std::wstring path = hostFolder / L"Vantrel2.dll";
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
            const long before = presser.Shows();
            EXPECT_EQ(command->VekProcStartCmd(0, 0, &nCode), S_OK) << cycle;
            EXPECT_EQ(presser.Shows(), before + 1) << cycle;
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
