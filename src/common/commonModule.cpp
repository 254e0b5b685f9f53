#include "common/commonModule.h"

#include <array>

#include "common/win32/code_page.h"
#include "common/win32/visual_styles.h"
#include "common/win32/win_util.h"

namespace vantrel2 {

std::wstring ProfileRead(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                         std::wstring_view defaultText) {
    return ProfileValue(file, section, key).value_or(std::wstring(defaultText));
}

std::optional<std::wstring> ProfileValue(std::wstring_view file, std::wstring_view section,
                                         std::wstring_view key) {
    const auto fileA = ExactAnsi(file);
    if (!fileA) return std::nullopt;
    const std::string sectionA = OrdinaryAnsi(section);
    const std::string keyA = OrdinaryAnsi(key);
    std::array<char, 512> buffer{};
    const DWORD count =
        ::GetPrivateProfileStringA(sectionA.c_str(), keyA.c_str(), "", buffer.data(),
                                   static_cast<DWORD>(buffer.size()), fileA->c_str());
    if (count == 0) return std::nullopt;

    // A value cut to fit the buffer may end in the first byte of a
    // double-byte character; drop that half rather than turn it into a
    // stray character.
    size_t end = 0;
    while (end < count) {
        const size_t width = ::IsDBCSLeadByte(static_cast<BYTE>(buffer[end])) ? 2 : 1;
        if (end + width > count) break;
        end += width;
    }
    return TrimSpaces(CutAtNull(FromAnsi(std::string_view(buffer.data(), end))));
}

HRESULT ProfileWrite(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                     std::wstring_view value) {
    const auto fileA = ExactAnsi(file);
    if (!fileA) return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    if (!::WritePrivateProfileStringA(OrdinaryAnsi(section).c_str(), OrdinaryAnsi(key).c_str(),
                                      OrdinaryAnsi(value).c_str(), fileA->c_str())) {
        return LastErrorResult();
    }
    return S_OK;
}

namespace {

int ShowMessage(std::wstring_view text, std::wstring_view title, UINT style, HWND owner) {
    const std::wstring textCopy(text);
    const std::wstring titleCopy(title);
    const ScopedVisualStyles styles;
    return ::MessageBoxW(owner, textCopy.c_str(), titleCopy.c_str(), style);
}

}  // namespace

void ShowWarning(std::wstring_view text, HWND owner) {
    ShowMessage(text, kWarningTitle, kWarningStyle, owner);
}

std::int16_t AskCaution(std::wstring_view text, HWND owner) {
    return static_cast<std::int16_t>(ShowMessage(text, kCautionTitle, kCautionStyle, owner));
}

}  // namespace vantrel2
