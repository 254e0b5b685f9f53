#include "common/win32/code_page.h"

#include <windows.h>

#include <cstring>

namespace vantrel2 {
namespace {

std::string Narrow(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size =
        ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), length, result.data(), size, nullptr, nullptr);
    return result;
}

}  // namespace

std::optional<std::string> ExactAnsi(std::wstring_view text) {
    if (text.empty()) return std::string();
    // UTF-8 as the system code page has every character but takes neither
    // the best-fit flag nor the default-character report: there a lone
    // surrogate, which would become U+FFFD, fails the conversion instead.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* const report = utf8 ? nullptr : &defaulted;
    const int length = static_cast<int>(text.size());
    const int bytes =
        ::WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, report);
    if (bytes <= 0 || defaulted) return std::nullopt;
    std::string result(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(codePage, flags, text.data(), length, result.data(), bytes, nullptr,
                          nullptr);
    return result;
}

std::string OrdinaryAnsi(std::wstring_view text) { return Narrow(text, CP_ACP); }

std::wstring FromAnsi(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int length = static_cast<int>(bytes.size());
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    std::wstring result(static_cast<size_t>(chars), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, result.data(), chars);
    return result;
}

std::string Utf8(std::wstring_view text) { return Narrow(text, CP_UTF8); }

void AnsiIntoField(std::wstring_view text, char* field, std::size_t size) noexcept {
    std::memset(field, 0, size);
    // Double-byte characters may not all fit: drop characters from the end
    // until the rest converts within the field.
    for (int count = static_cast<int>(text.size()); count > 0; --count) {
        if (::WideCharToMultiByte(CP_ACP, 0, text.data(), count, field, static_cast<int>(size),
                                  nullptr, nullptr) > 0) {
            return;
        }
        std::memset(field, 0, size);
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return;
    }
}

void WideFromField(std::string_view field, wchar_t* text, std::size_t size) noexcept {
    std::memset(text, 0, size * sizeof(wchar_t));
    ::MultiByteToWideChar(CP_ACP, 0, field.data(), static_cast<int>(field.size()), text,
                          static_cast<int>(size));
}

}  // namespace vantrel2
