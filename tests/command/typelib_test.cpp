// The type library and the IID resource as a client reads them from the
// built DLL, not as the .idl says.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "child_process.h"
#include "operation_table.h"
#include "common/win32/win_handles.h"

namespace vantrel2 {
namespace {

using test::GuidText;
using test::Operation;
using test::Operations;

std::wstring DllPath() { return test::ProgramFolder() + L"\\Vantrel2.dll"; }

std::wstring NameOf(ITypeLib* library, INT index) {
    UniqueBstr name;
    UniqueBstr doc;
    UniqueBstr helpFile;
    library->GetDocumentation(index, name.put(), doc.put(), nullptr, helpFile.put());
    EXPECT_FALSE(doc) << "no help strings";
    EXPECT_FALSE(helpFile) << "no help file";
    return name ? std::wstring(name.get()) : std::wstring();
}

class TypeLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(::LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, library.put()), S_OK);
    }
    ComPtr<ITypeLib> library;
};

TEST_F(TypeLibrary, IsVantrel2Version3ForWin32WithTwoTypes) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(GuidText(attr->guid), test::kLibid);
    EXPECT_EQ(attr->wMajorVerNum, 3);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->lcid, 0u);
    EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    library->ReleaseTLibAttr(attr);
    EXPECT_EQ(NameOf(library.get(), -1), L"Vantrel2");
    ASSERT_EQ(library->GetTypeInfoCount(), 2u);
    EXPECT_EQ(NameOf(library.get(), 0), L"_OrvaneVbCommand");
    EXPECT_EQ(NameOf(library.get(), 1), L"OrvaneVbCommand");
}

TEST_F(TypeLibrary, InterfaceIsAHiddenNonExtensibleDualWithSeventeenOperations) {
    ComPtr<ITypeInfo> dispatchSide;
    ASSERT_EQ(library->GetTypeInfo(0, dispatchSide.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(dispatchSide->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->wTypeFlags,
              TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    const GUID dispatchGuid = attr->guid;
    dispatchSide->ReleaseTypeAttr(attr);

    HREFTYPE vtableRef = 0;
    ComPtr<ITypeInfo> vtableSide;
    ASSERT_EQ(dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef), S_OK);
    ASSERT_EQ(dispatchSide->GetRefTypeInfo(vtableRef, vtableSide.put()), S_OK);
    ASSERT_EQ(vtableSide->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_EQ(attr->guid, dispatchGuid);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    ASSERT_EQ(attr->cFuncs, 17);
    // IUnknown's three and IDispatch's four come first in the table.
    EXPECT_EQ(attr->cbSizeVft, (7 + 17) * sizeof(void*));
    vtableSide->ReleaseTypeAttr(attr);

    const auto& operations = Operations();
    for (UINT i = 0; i < operations.size(); ++i) {
        const Operation& expected = operations[i];
        SCOPED_TRACE(testing::Message() << "position " << i);
        FUNCDESC* func = nullptr;
        ASSERT_EQ(vtableSide->GetFuncDesc(i, &func), S_OK);
        EXPECT_EQ(func->memid, static_cast<MEMBERID>(0x60030000 + i));
        EXPECT_EQ(func->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
        EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT);
        UniqueBstr name;
        vtableSide->GetDocumentation(func->memid, name.put(), nullptr, nullptr, nullptr);
        EXPECT_STREQ(name.get(), expected.name);
        ASSERT_EQ(static_cast<size_t>(func->cParams), expected.arguments.size());
        for (SHORT p = 0; p < func->cParams; ++p) {
            const ELEMDESC& arg = func->lprgelemdescParam[p];
            EXPECT_EQ(arg.tdesc.vt, expected.arguments[p]) << "argument " << p;
            if (arg.tdesc.vt == VT_PTR) {
                EXPECT_EQ(arg.tdesc.lptdesc->vt, VT_I4) << "nCode is a 32-bit integer";
                EXPECT_EQ(arg.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT),
                          PARAMFLAG_FIN | PARAMFLAG_FOUT);
            }
        }
        vtableSide->ReleaseFuncDesc(func);

        // Late-bound clients find each operation by name.
        MEMBERID id = 0;
        auto* names = const_cast<LPOLESTR>(expected.name);
        ASSERT_EQ(dispatchSide->GetIDsOfNames(&names, 1, &id), S_OK);
        EXPECT_EQ(id, static_cast<MEMBERID>(0x60030000 + i));
    }
}

TEST_F(TypeLibrary, ClassIsCreatableWithTheInterfaceAsDefault) {
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(library->GetTypeInfo(1, coclass.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(GuidText(attr->guid), test::kClsid);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
    EXPECT_FALSE(attr->wTypeFlags & TYPEFLAG_FAPPOBJECT);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    ASSERT_EQ(attr->cImplTypes, 1);
    coclass->ReleaseTypeAttr(attr);

    INT flags = 0;
    ASSERT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> implemented;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
    ASSERT_EQ(coclass->GetRefTypeInfo(ref, implemented.put()), S_OK);
    ASSERT_EQ(implemented->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(GuidText(attr->guid), test::kIid);
    implemented->ReleaseTypeAttr(attr);
}

TEST_F(TypeLibrary, IidResourceHoldsTheInterfaceIdOfTheTypeLibrary) {
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(library->GetTypeInfo(0, info.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    const GUID iid = attr->guid;
    info->ReleaseTypeAttr(attr);

    UniqueLibrary dll(::LoadLibraryExW(DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(dll);
    HRSRC resource = ::FindResourceExW(dll.get(), L"_IID_ORVANEVBCOMMAND", MAKEINTRESOURCEW(1),
                                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_NE(resource, nullptr);
    ASSERT_EQ(::SizeofResource(dll.get(), resource), 20u);
    const auto* bytes =
        static_cast<const unsigned char*>(::LockResource(::LoadResource(dll.get(), resource)));
    ASSERT_NE(bytes, nullptr);
    const unsigned char length[4] = {16, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes, length, 4), 0);
    EXPECT_EQ(std::memcmp(bytes + 4, &iid, 16), 0);
    // Also the resource the type library itself came from.
    EXPECT_NE(::FindResourceW(dll.get(), MAKEINTRESOURCEW(1), L"TYPELIB"), nullptr);
}

}  // namespace
}  // namespace vantrel2
