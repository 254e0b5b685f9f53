// Turns fuzzer bytes into UTF-16 code units, as the settings text arrives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline std::wstring WideFromFuzzBytes(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    }
    return text;
}
