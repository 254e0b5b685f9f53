// Vantrel2.dll as a COM client loads it: the class factory and the unload
// rules. Also the stand-in host program running the DLL from a host folder.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "Vantrel2_idl.h"
#include "dialog/Vantrel2Form.h"
#include "child_process.h"
#include "command_fixture.h"
#include "temp_folder.h"
#include "common/win32/win_handles.h"
#include "window_driver.h"

namespace vantrel2 {
namespace {

using test::CanUnloadNowFunction;
using test::Export;
using test::GetClassObjectFunction;

// Uses one loaded copy of the DLL: creates two objects, calls one by name.
void UseLoadedDll(HMODULE dll) {
    auto getClassObject = Export<GetClassObjectFunction>(dll, "DllGetClassObject");
    auto canUnloadNow = Export<CanUnloadNowFunction>(dll, "DllCanUnloadNow");
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnloadNow, nullptr);
    EXPECT_EQ(canUnloadNow(), S_OK);

    ComPtr<IClassFactory> factory;
    ComPtr<IUnknown> unused;
    EXPECT_EQ(getClassObject(IID_IDispatch, IID_IClassFactory, factory.put_void()),
              CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(getClassObject(CLSID_OrvaneVbCommand, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(factory->CreateInstance(factory.get(), IID_IUnknown, unused.put_void()),
              CLASS_E_NOAGGREGATION);

    ComPtr<IDispatch> first;
    ComPtr<IDispatch> second;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, first.put_void()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, second.put_void()), S_OK);
    EXPECT_NE(first.get(), second.get()) << "each request makes its own object";
    EXPECT_EQ(canUnloadNow(), S_FALSE);

    // One type description, the one GetTypeInfo hands out.
    UINT typeInfos = 0;
    ComPtr<ITypeInfo> typeInfo;
    EXPECT_EQ(first->GetTypeInfoCount(&typeInfos), S_OK);
    EXPECT_EQ(typeInfos, 1u);
    EXPECT_EQ(first->GetTypeInfo(typeInfos - 1, 0, typeInfo.put()), S_OK);
    EXPECT_EQ(first->GetTypeInfo(typeInfos, 0, typeInfo.put()), DISP_E_BADINDEX);

    DISPID id = 0;
    auto* name = const_cast<LPOLESTR>(L"VekProcPreEvent");
    ASSERT_EQ(first->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    DISPPARAMS none{};
    EXPECT_EQ(first->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              S_OK);

    first.reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "one object left";
    second.reset();
    EXPECT_EQ(canUnloadNow(), S_OK);
    // A reference on the factory does not keep the module; a lock does.
    factory->AddRef();
    EXPECT_EQ(canUnloadNow(), S_OK) << "a factory reference held";
    factory->Release();
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "locked";
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

// Loaded as a client loads it. That the module pins itself, and works the
// same after each later load, the repetition tests check forty times over.
TEST(Vantrel2Dll, HandsOutItsClassAndCountsItsObjects) {
    HMODULE dll = ::LoadLibraryW((test::ProgramFolder() + L"\\Vantrel2.dll").c_str());
    ASSERT_NE(dll, nullptr);
    UseLoadedDll(dll);
    EXPECT_TRUE(::FreeLibrary(dll));
}

// The stand-in host in a host folder of its own, as the main job runs it.
class HostProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::wstring bin = test::ProgramFolder();
        ASSERT_TRUE(test::CopyInto(bin + L"\\VantrelHost.exe", folder / L"VantrelHost.exe"));
        ASSERT_TRUE(test::CopyInto(bin + L"\\Vantrel2.dll", folder / L"Vantrel2.dll"));
        ::SetEnvironmentVariableW(L"VEKCMDLIB_LOG", (folder / L"VekCmdLib.log").c_str());
    }
    // Runs the host; closes the dialog when it shows if `expectDialog`.
    test::ChildResult Run(bool expectDialog, bool& dialogSeen) {
        const std::wstring line =
            L"\"" + (folder / L"VantrelHost.exe") + L"\" --dll Vantrel2.dll --cmdline 3";
        dialogSeen = false;
        return test::RunChild(line, folder.path(), 60000, [&](DWORD pid) {
            if (!expectDialog) return;
            HWND dialog = test::WaitForDialog(kVantrel2FormCaption, std::chrono::seconds(30), pid);
            dialogSeen = dialog != nullptr;
            if (dialog) test::CloseEverything(dialog);
        });
    }
    std::string Log() {
        const auto bytes = test::ReadBytes(folder / L"VekCmdLib.log");
        return std::string(bytes.begin(), bytes.end());
    }
    test::TempFolder folder;
};

TEST_F(HostProgram, RunsTheCommandWithItsWindowAndCommandLine) {
    ASSERT_TRUE(test::CopyInto(test::ProgramFolder() + L"\\hostlib\\VekCmdLib.dll",
                               folder / L"VekCmdLib.dll"));
    bool dialogSeen = false;
    const auto result = Run(true, dialogSeen);
    ASSERT_TRUE(result.started);
    ASSERT_TRUE(dialogSeen);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_NE(result.output.find("VekProcStartCmd hr=0x00000000 nCode=1"), std::string::npos)
        << result.output;
    const std::string log = Log();
    EXPECT_EQ(log.rfind("InitVBCmdLib ", 0), 0u) << log;
    EXPECT_EQ(log.find("InitVBCmdLib 0 "), std::string::npos) << "a real window handle";
    EXPECT_NE(log.find(" 3\r\nVekExitCommand\r\n"), std::string::npos) << log;
}

TEST_F(HostProgram, ReportsAMissingHostLibraryWithoutCrashing) {
    bool dialogSeen = false;
    const auto result = Run(false, dialogSeen);
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 1u) << result.output;
    EXPECT_NE(result.output.find("VekProcStartCmd hr=0x8007007E nCode=0"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find(
                  "error: CAD のコマンド ライブラリ VekCmdLib.dll が見つかりませんでした。"),
              std::string::npos)
        << result.output;
    EXPECT_FALSE(test::Exists(folder / L"VekCmdLib.log"));
}

}  // namespace
}  // namespace vantrel2
