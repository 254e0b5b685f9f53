#include "common/portable/settings.h"

namespace vantrel2 {

CommandPaths DeriveCommandPaths(std::wstring_view appPath) {
    CommandPaths paths;
    paths.AppPath = std::wstring(appPath);
    paths.SysInfoDir = paths.AppPath + L"\\sysinfo";
    for (const RowDescription& row : kRows)
        paths.*row.path = paths.AppPath + std::wstring(row.pathUnderApp);
    return paths;
}

std::wstring SettingsFileName(std::wstring_view sysInfoDir) {
    return std::wstring(sysInfoDir) + L"\\kxSystem.ini";
}

std::wstring FolderOfModulePath(std::wstring_view modulePath) {
    const auto separator = modulePath.find_last_of(L"\\/");
    if (separator == std::wstring_view::npos) return {};
    std::wstring folder(modulePath.substr(0, separator));
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    return folder;
}

}  // namespace vantrel2
