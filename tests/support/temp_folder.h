// A fresh folder under the temporary folder, removed with its contents.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/win32/code_page.h"

namespace vantrel2::test {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring operator/(std::wstring_view name) const {
        return path_ + L"\\" + std::wstring(name);
    }

  private:
    std::wstring path_;
};

// Runs with the process's current folder set to `folder`.
class CurrentFolder {
  public:
    explicit CurrentFolder(const std::wstring& folder);
    ~CurrentFolder();
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

  private:
    std::wstring saved_;
};

// UTF-8 for test messages and traces.
using vantrel2::Utf8;

std::vector<unsigned char> ReadBytes(const std::wstring& file);
void WriteBytes(const std::wstring& file, std::string_view bytes);
bool Exists(const std::wstring& path);
void MakeFolder(const std::wstring& path);
void RemoveTree(const std::wstring& path);

}  // namespace vantrel2::test
