// regsvr32 and a scripting host against Vantrel2.dll in the test prefix.
// Every test leaves the DLL unregistered again.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "Vantrel2_idl.h"
#include "child_process.h"
#include "operation_table.h"
#include "temp_folder.h"
#include "common/win32/win_handles.h"

namespace vantrel2 {
namespace {

// Key path, or key path|value name, to type:data. Key names are compared
// without case, as the registry does.
using RegistryDump = std::map<std::wstring, std::wstring>;

std::wstring Lower(std::wstring text) {
    ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

void DumpKey(HKEY key, const std::wstring& path, RegistryDump& dump) {
    dump[Lower(path)] = L"";
    DWORD valueCount = 0, maxName = 0, maxData = 0, subkeyCount = 0, maxSubkey = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeyCount, &maxSubkey, nullptr,
                           &valueCount, &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
        return;
    }
    std::wstring name(maxName + 2, L'\0');
    std::wstring data(maxData / 2 + 2, L'\0');
    for (DWORD i = 0; i < valueCount; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size() * 2);
        DWORD type = 0;
        if (::RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type,
                            reinterpret_cast<BYTE*>(data.data()), &dataSize) != ERROR_SUCCESS) {
            continue;
        }
        std::wstring value = data.substr(0, (dataSize + 1) / 2);
        while (!value.empty() && value.back() == L'\0') value.pop_back();
        dump[Lower(path + L"|" + name.substr(0, nameLength))] =
            std::to_wstring(type) + L":" + value;
    }
    std::wstring subkey(maxSubkey + 2, L'\0');
    for (DWORD i = 0; i < subkeyCount; ++i) {
        DWORD length = static_cast<DWORD>(subkey.size());
        if (::RegEnumKeyExW(key, i, subkey.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            continue;
        }
        const std::wstring childName = subkey.substr(0, length);
        UniqueRegKey child;
        if (::RegOpenKeyExW(key, childName.c_str(), 0, KEY_READ, child.put()) == ERROR_SUCCESS) {
            DumpKey(child.get(), path + L"\\" + childName, dump);
        }
    }
}

// Everything a registration could touch: the machine's and the user's classes.
RegistryDump DumpClasses() {
    RegistryDump dump;
    for (const auto& [root, name] :
         {std::pair{HKEY_LOCAL_MACHINE, L"HKLM"}, std::pair{HKEY_CURRENT_USER, L"HKCU"}}) {
        UniqueRegKey classes;
        if (::RegOpenKeyExW(root, L"Software\\Classes", 0, KEY_READ, classes.put()) ==
            ERROR_SUCCESS) {
            DumpKey(classes.get(), std::wstring(name) + L"\\Software\\Classes", dump);
        }
    }
    return dump;
}

std::wstring Value(const RegistryDump& dump, const std::wstring& key, const std::wstring& name) {
    const auto found = dump.find(Lower(L"HKLM\\Software\\Classes\\" + key + L"|" + name));
    return found == dump.end() ? L"(missing)" : found->second.substr(found->second.find(L':') + 1);
}

std::wstring DllPath() { return test::ProgramFolder() + L"\\Vantrel2.dll"; }

int Regsvr32(const wchar_t* options) {
    const auto result =
        test::RunChild(L"regsvr32.exe " + std::wstring(options) + L" \"" + DllPath() + L"\"");
    return result.started ? static_cast<int>(result.exitCode) : -1;
}

bool Registered() {
    UniqueRegKey key;
    return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, L"Vantrel2.OrvaneVbCommand", 0, KEY_READ,
                           key.put()) == ERROR_SUCCESS;
}

class Registration : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
        if (Registered()) Regsvr32(L"/s /u");  // left over from an interrupted run
        ASSERT_FALSE(Registered());
    }
    void TearDown() override {
        ::CoFreeUnusedLibraries();
        ::CoUninitialize();
        if (Registered()) Regsvr32(L"/s /u");
    }
};

TEST_F(Registration, RegisterWritesTheClassAndUnregisterRestoresTheRegistry) {
    const RegistryDump before = DumpClasses();
    ASSERT_EQ(Regsvr32(L"/s"), 0);
    const RegistryDump registered = DumpClasses();

    const std::wstring clsid = L"CLSID\\" + std::wstring(test::kClsid);
    const std::wstring iid = L"Interface\\" + std::wstring(test::kIid);
    const std::wstring typeLib = L"TypeLib\\" + std::wstring(test::kLibid);
    EXPECT_EQ(Value(registered, clsid + L"\\InprocServer32", L""), DllPath());
    EXPECT_EQ(Value(registered, clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(Value(registered, clsid + L"\\ProgID", L""), L"Vantrel2.OrvaneVbCommand");
    EXPECT_EQ(Value(registered, clsid + L"\\TypeLib", L""), test::kLibid);
    EXPECT_EQ(Value(registered, L"Vantrel2.OrvaneVbCommand\\CLSID", L""), test::kClsid);
    EXPECT_EQ(Value(registered, iid, L""), L"_OrvaneVbCommand");
    EXPECT_EQ(Value(registered, iid + L"\\ProxyStubClsid32", L""),
              L"{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(Value(registered, iid + L"\\TypeLib", L""), test::kLibid);
    EXPECT_EQ(Value(registered, typeLib + L"\\3.0", L""), L"Vantrel2");
    const wchar_t* const platform = sizeof(void*) == 8 ? L"\\3.0\\0\\win64" : L"\\3.0\\0\\win32";
    EXPECT_EQ(Value(registered, typeLib + platform, L""), DllPath());

    // Registration adds keys under these four only and changes nothing else.
    const std::wstring ours[] = {clsid, iid, typeLib, L"Vantrel2.OrvaneVbCommand"};
    for (const auto& [key, data] : registered) {
        const auto old = before.find(key);
        if (old != before.end() && old->second == data) continue;
        bool underOurs = false;
        // A 64-bit type library registers its interface for 32-bit clients too.
        const std::wstring views[] = {L"HKLM\\Software\\Classes\\",
                                      L"HKLM\\Software\\Classes\\Wow6432Node\\"};
        for (const auto& root : ours) {
            for (const auto& view : views) {
                if (sizeof(void*) == 4 && view != views[0]) continue;
                const std::wstring prefix = Lower(view + root);
                underOurs |= key.rfind(prefix, 0) == 0 &&
                             (key.size() == prefix.size() || key[prefix.size()] == L'\\' ||
                              key[prefix.size()] == L'|');
            }
        }
        EXPECT_TRUE(underOurs) << "unexpected change: " << std::string(key.begin(), key.end());
    }
    for (const auto& [key, data] : before) EXPECT_TRUE(registered.count(key));

    // A client finds the class by its ProgID.
    CLSID found{};
    ASSERT_EQ(::CLSIDFromProgID(L"Vantrel2.OrvaneVbCommand", &found), S_OK);
    EXPECT_EQ(test::GuidText(found), test::kClsid);
    ComPtr<_OrvaneVbCommand> command;
    ASSERT_EQ(::CoCreateInstance(found, nullptr, CLSCTX_INPROC_SERVER, IID__OrvaneVbCommand,
                                 command.put_void()),
              S_OK);
    EXPECT_EQ(command->VekProcPreEvent(), S_OK);
    command.reset();

    ASSERT_EQ(Regsvr32(L"/s /u"), 0);
    EXPECT_TRUE(DumpClasses() == before) << "unregister leaves the registry as it was";
}

TEST_F(Registration, ScriptingHostCallsTheCommandByProgId) {
    ASSERT_EQ(Regsvr32(L"/s"), 0);
    test::TempFolder folder;
    test::WriteBytes(folder / L"events.vbs",
                     "Set o = CreateObject(\"Vantrel2.OrvaneVbCommand\")\r\n"
                     "n = 42\r\n"
                     // A script variable is a Variant: VBScript passes a
                     // 32-bit by-reference argument by value, in parentheses.
                     "o.VekProcEndCmd (n)\r\n"
                     "o.VekProcPreEvent\r\n"
                     "o.VekProcDrawRubber 1.5, -1E+300\r\n"
                     "o.VekProcPositionEvent 1, 2.5, 3.5\r\n"
                     "o.VekProcPositionEventEx 1, 2, 3, 4, 5, 100000, -100000, 2, 3\r\n"
                     "o.VekProcElementEvent 123456, 4\r\n"
                     "o.VekProcElementEventEx 123456, 4, 0.25, -0.25, 1\r\n"
                     "o.VekProcMultiElementEvent 1, 2, 3, 4\r\n"
                     "o.VekProcMultiElementEventEx 1, 2, 3, 4, 5, 6, 7, 8\r\n"
                     "o.VekProcSystemEvent 9\r\n"
                     "o.VekProcOperationEvent 1, 2\r\n"
                     "o.VekProcIntBoxEvent 1, 2, 70000\r\n"
                     "o.VekProcRealBoxEvent 1, 2, 1E+308\r\n"
                     "o.VekProcButtonEvent 1, 2, 1\r\n"
                     "o.VekProcStringBoxEvent 1, 2, \"text\"\r\n"
                     "Set o = Nothing\r\n"
                     "WScript.Echo \"done \" & n\r\n");
    const auto result = test::RunChild(L"cscript.exe //nologo events.vbs", folder.path());
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(result.output, "done 42\n");
}

}  // namespace
}  // namespace vantrel2
