// Stand-in for the host CAD system's command library: the four functions
// the command calls. Each call appends one line with its arguments to the
// file named by VEKCMDLIB_LOG. What it answers is chosen through
// environment variables:
//   VEKCMDLIB_CSB_HANDLE  the setting box handle VekGetCSBHandle returns
//                         (decimal, default 0: no setting box)
//   VEKCMDLIB_TEXT_HEX    the text bytes VekGetTextBoxStatus writes at
//                         bytes 16.. of the record, as hex (at most 256)
// A test in the same process can also have VekExitCommand call back into it
// (VekCmdLibSetExitHook), as a host that releases the command object there.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Environment(const char* name) {
    char value[1024] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

void Log(const std::string& line) {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableA("VEKCMDLIB_LOG", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    HANDLE file = ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool AllZero(const unsigned char* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

}  // namespace

extern "C" {

std::int32_t __stdcall InitVBCmdLib(std::int32_t hWnd, std::int32_t nCmdLine) {
    Log("InitVBCmdLib " + std::to_string(hWnd) + " " + std::to_string(nCmdLine));
    return 0;
}

using ExitHook = void(__stdcall*)(void*);
static ExitHook exitHook = nullptr;
static void* exitHookContext = nullptr;

// Test only, not a host function: `hook` runs once, at the next
// VekExitCommand, after its log line.
void __stdcall VekCmdLibSetExitHook(ExitHook hook, void* context) {
    exitHook = hook;
    exitHookContext = context;
}

std::int32_t __stdcall VekExitCommand() {
    Log("VekExitCommand");
    if (const ExitHook hook = exitHook) {
        exitHook = nullptr;
        hook(exitHookContext);
    }
    return 0;
}

std::int32_t __stdcall VekGetCSBHandle(std::int16_t csbID) {
    const auto handle = static_cast<std::int32_t>(
        std::strtol(Environment("VEKCMDLIB_CSB_HANDLE").c_str(), nullptr, 10));
    Log("VekGetCSBHandle " + std::to_string(csbID) + " -> " + std::to_string(handle));
    return handle;
}

// The record is the 276-byte ANSI form: a 16-byte leading block, 256 bytes
// of text, a 16-bit field and 2 filler bytes. The leading block and the field
// get recognisable bytes, so that a reader that strays past the text shows.
std::int32_t __stdcall VekGetTextBoxStatus(std::int32_t handle, std::int16_t itemID,
                                           unsigned char* record) {
    Log("VekGetTextBoxStatus " + std::to_string(handle) + " " + std::to_string(itemID) +
        (AllZero(record, 276) ? " zeroed" : " not-zeroed"));
    for (int i = 0; i < 16; ++i) record[i] = 0xA5;
    const std::string hex = Environment("VEKCMDLIB_TEXT_HEX");
    for (size_t i = 0; i + 1 < hex.size() && i / 2 < 256; i += 2) {
        record[16 + i / 2] =
            static_cast<unsigned char>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1]));
    }
    record[272] = 0x82;
    record[273] = 0xA0;
    return 1;
}
}
