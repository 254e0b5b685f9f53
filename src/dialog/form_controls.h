// How each control of the dialog's design is made: window class and styles.
#pragma once

#include <windows.h>

#include "dialog/portable/layout.h"

namespace vantrel2 {

struct ControlCreation {
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle;
};

inline ControlCreation CreationOf(const ControlDesign& design) {
    constexpr DWORD kCommon = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    switch (design.kind) {
        case ControlKind::CheckBox:
            // The value is set by the dialog, never by the control itself.
            return {L"Button", kCommon | BS_3STATE, 0};
        case ControlKind::TextBox:
            return {L"Edit", kCommon | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
        case ControlKind::Button:
            break;
    }
    return {L"Button", kCommon | (design.id == kCommand1Id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0};
}

}  // namespace vantrel2
