#include "commonModule.h"

#include <array>

#include "visual_styles.h"

namespace vantrel2 {

std::string ToAnsi(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int bytes =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, result.data(), bytes, nullptr, nullptr);
    return result;
}

std::wstring FromAnsi(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int length = static_cast<int>(bytes.size());
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    std::wstring result(static_cast<size_t>(chars), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, result.data(), chars);
    return result;
}

std::wstring ProfileRead(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                         std::wstring_view defaultText) {
    std::array<char, 512> buffer{};
    const DWORD count =
        ::GetPrivateProfileStringA(ToAnsi(section).c_str(), ToAnsi(key).c_str(), "", buffer.data(),
                                   static_cast<DWORD>(buffer.size()), ToAnsi(file).c_str());
    if (count == 0) return std::wstring(defaultText);

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

void ProfileWrite(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                  std::wstring_view value) {
    ::WritePrivateProfileStringA(ToAnsi(section).c_str(), ToAnsi(key).c_str(),
                                 ToAnsi(value).c_str(), ToAnsi(file).c_str());
}

namespace {

// Owned by the thread's active window, so that the box is modal over the
// dialog that asks.
int ShowMessage(std::wstring_view text, std::wstring_view title, UINT style) {
    const std::wstring textCopy(text);
    const std::wstring titleCopy(title);
    const ScopedVisualStyles styles;
    return ::MessageBoxW(::GetActiveWindow(), textCopy.c_str(), titleCopy.c_str(), style);
}

}  // namespace

void ShowWarning(std::wstring_view text) { ShowMessage(text, kWarningTitle, kWarningStyle); }

std::int16_t AskCaution(std::wstring_view text) {
    return static_cast<std::int16_t>(ShowMessage(text, kCautionTitle, kCautionStyle));
}

}  // namespace vantrel2
