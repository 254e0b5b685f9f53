// The host command interface as a client sees it: the identifiers hosts
// have registered, and the operations in interface order (dispatch id
// 0x60030000 + position) with their argument types. VT_PTR stands for the
// by-reference nCode.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace vantrel2::test {

inline constexpr const wchar_t* kLibid = L"{6ED693FA-F82E-4293-A80B-C95EF86F35C4}";
inline constexpr const wchar_t* kIid = L"{ADB8A163-A401-4BBE-9978-DFB3EAC45F6F}";
inline constexpr const wchar_t* kClsid = L"{EABED22F-1717-49E6-8996-5CD8003C48C7}";

inline std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

struct Operation {
    const wchar_t* name;
    std::vector<VARTYPE> arguments;
};

inline const std::vector<Operation>& Operations() {
    static const std::vector<Operation> operations = {
        {L"VekProcStartCmd", {VT_I4, VT_I4, VT_PTR}},
        {L"VekProcEndCmd", {VT_PTR}},
        {L"VekProcPreEvent", {}},
        {L"VekProcDrawRubber", {VT_R8, VT_R8}},
        {L"VekProcPositionEvent", {VT_I2, VT_R8, VT_R8}},
        {L"VekProcPositionEventEx",
         {VT_I2, VT_R8, VT_R8, VT_R8, VT_R8, VT_I4, VT_I4, VT_I2, VT_I2}},
        {L"VekProcElementEvent", {VT_I4, VT_I2}},
        {L"VekProcElementEventEx", {VT_I4, VT_I2, VT_R8, VT_R8, VT_I2}},
        {L"VekProcMultiElementEvent", {VT_I2, VT_I4, VT_I4, VT_I4}},
        {L"VekProcMultiElementEventEx", {VT_I2, VT_I4, VT_I4, VT_I4, VT_R8, VT_R8, VT_R8, VT_R8}},
        {L"VekProcSystemEvent", {VT_I2}},
        {L"VekProcOperationEvent", {VT_I2, VT_I2}},
        {L"VekProcStringBoxEventHook", {VT_I2, VT_I2, VT_I4}},
        {L"VekProcIntBoxEvent", {VT_I2, VT_I2, VT_I4}},
        {L"VekProcRealBoxEvent", {VT_I2, VT_I2, VT_R8}},
        {L"VekProcButtonEvent", {VT_I2, VT_I2, VT_I2}},
        {L"VekProcStringBoxEvent", {VT_I2, VT_I2, VT_BSTR}},
    };
    return operations;
}

}  // namespace vantrel2::test
