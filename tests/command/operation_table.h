// The host command interface as a client sees it: the operations in
// interface order (dispatch id 0x60030000 + position) with their argument
// types. VT_PTR stands for the by-reference nCode.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <vector>

namespace vantrel2::test {

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
