// Checks the lenient parse against a slow reference built from a regular
// expression and strtod, and the flag conversion and NumberText against
// their contracts.
#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>

#include "fuzz_input.h"
#include "common/portable/number.h"
#include "common/portable/text.h"

namespace {

double ReferenceParse(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) narrow += (c > 0 && c < 128) ? static_cast<char>(c) : '\x01';
    static const std::regex kNumber(
        R"(^[ \t\r\n]*([+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eEdD][+-]?[0-9]+)?))");
    std::smatch match;
    if (!std::regex_search(narrow, match, kNumber)) return 0.0;
    std::string number = match[1].str();
    for (char& c : number) {
        if (c == 'd' || c == 'D') c = 'e';
    }
    return std::strtod(number.c_str(), nullptr);
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = WideFromFuzzBytes(data, size);

    const double parsed = vantrel2::ParseLeadingNumber(text);
    const double expected = ReferenceParse(text);
    Check(parsed == expected || (std::isnan(parsed) && std::isnan(expected)));

    const std::int16_t flag = vantrel2::FlagFromSettingText(text);
    Check(flag >= 0 && flag <= 2);
    const auto rounded = vantrel2::RoundToInt16(parsed);
    if (rounded && *rounded >= 0 && *rounded <= 2) Check(flag == *rounded);

    // What NumberText writes, the parse reads back (to its 15 digits).
    if (std::isfinite(parsed) && std::fabs(parsed) < 1e300) {
        const double back = vantrel2::ParseLeadingNumber(vantrel2::NumberText(parsed));
        Check(std::fabs(back - parsed) <= std::fabs(parsed) * 1e-14);
    }
    if (rounded) {
        Check(vantrel2::ParseLeadingNumber(vantrel2::NumberText(*rounded)) == *rounded);
    }
    const std::wstring cut = vantrel2::CutAtNull(text);
    Check(cut.find(L'\0') == std::wstring::npos && text.compare(0, cut.size(), cut) == 0);
    return 0;
}
