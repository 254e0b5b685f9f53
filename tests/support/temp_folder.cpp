#include "temp_folder.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "common/win32/win_handles.h"

namespace vantrel2::test {

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t base[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + L"vantrel2-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(counter++);
    if (!::CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("CreateDirectory");
}

TempFolder::~TempFolder() { RemoveTree(path_); }

CurrentFolder::CurrentFolder(const std::wstring& folder) {
    wchar_t saved[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, saved);
    saved_ = saved;
    ::SetCurrentDirectoryW(folder.c_str());
}

CurrentFolder::~CurrentFolder() { ::SetCurrentDirectoryW(saved_.c_str()); }

std::vector<unsigned char> ReadBytes(const std::wstring& file) {
    UniqueFile handle(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle) throw std::runtime_error("cannot open file for reading");
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    DWORD read = 0;
    while (::ReadFile(handle.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) {
        bytes.insert(bytes.end(), chunk, chunk + read);
    }
    return bytes;
}

void WriteBytes(const std::wstring& file, std::string_view bytes) {
    UniqueFile handle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) throw std::runtime_error("cannot create file");
    DWORD written = 0;
    if (!::WriteFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) ||
        written != bytes.size()) {
        throw std::runtime_error("cannot write file");
    }
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeFolder(const std::wstring& path) {
    if (!::CreateDirectoryW(path.c_str(), nullptr)) throw std::runtime_error("CreateDirectory");
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    UniqueFind find(::FindFirstFileW((path + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(find.get(), &data));
    }
    find.reset();
    ::RemoveDirectoryW(path.c_str());
}

}  // namespace vantrel2::test
