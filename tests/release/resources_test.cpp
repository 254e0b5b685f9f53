// The version and manifest resources of Vantrel2.dll, read back the way
// Explorer and the loader read them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "version.h"
#include "common/win32/visual_styles.h"
#include "common/win32/win_handles.h"

namespace vantrel2 {
namespace {

std::wstring DllPath() {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    return path.substr(0, path.find_last_of(L'\\')) + L"\\Vantrel2.dll";
}

class VersionInfo {
  public:
    explicit VersionInfo(const std::wstring& file) {
        DWORD ignored = 0;
        const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
        if (!size) return;
        data_.resize(size);
        if (!::GetFileVersionInfoW(file.c_str(), 0, size, data_.data())) data_.clear();
    }
    bool loaded() const { return !data_.empty(); }

    const VS_FIXEDFILEINFO* Fixed() {
        void* value = nullptr;
        UINT length = 0;
        if (!loaded() || !::VerQueryValueW(data_.data(), L"\\", &value, &length) ||
            length < sizeof(VS_FIXEDFILEINFO)) {
            return nullptr;
        }
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }
    std::vector<DWORD> Translations() {
        void* value = nullptr;
        UINT length = 0;
        std::vector<DWORD> result;
        if (!loaded() ||
            !::VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &value, &length)) {
            return result;
        }
        const auto* pairs = static_cast<const WORD*>(value);
        for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
            result.push_back(MAKELONG(pairs[i + 1], pairs[i]));  // language, code page
        }
        return result;
    }
    std::wstring String(const wchar_t* block, const wchar_t* name) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\") + block + L"\\" + name;
        void* value = nullptr;
        UINT length = 0;
        if (!loaded() || !::VerQueryValueW(data_.data(), query.c_str(), &value, &length) ||
            !length) {
            return {};
        }
        return std::wstring(static_cast<const wchar_t*>(value));
    }

  private:
    std::vector<BYTE> data_;
};

TEST(VersionResource, CarriesTheProjectVersionInJapaneseAndEnglish) {
    VersionInfo info(DllPath());
    ASSERT_TRUE(info.loaded()) << ::GetLastError();
    const VS_FIXEDFILEINFO* fixed = info.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD high = MAKELONG(VANTREL2_VERSION_MINOR, VANTREL2_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, VANTREL2_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(fixed->dwFileFlags & VS_FF_DEBUG, 0u);

    const std::vector<DWORD> translations = info.Translations();
    EXPECT_EQ(translations, (std::vector<DWORD>{0x041104B0u, 0x040904B0u}));

    // The text spells the numbers above, as major.minor.patch.
    const std::wstring version = std::to_wstring(VANTREL2_VERSION_MAJOR) + L"." +
                                 std::to_wstring(VANTREL2_VERSION_MINOR) + L"." +
                                 std::to_wstring(VANTREL2_VERSION_PATCH);
    for (const wchar_t* block : {L"041104B0", L"040904B0"}) {
        SCOPED_TRACE(block);
        EXPECT_EQ(info.String(block, L"FileVersion"), version);
        EXPECT_EQ(info.String(block, L"ProductVersion"), version);
        EXPECT_EQ(info.String(block, L"ProductName"), L"Vantrel2");
        EXPECT_EQ(info.String(block, L"OriginalFilename"), L"Vantrel2.dll");
    }
    // The Japanese text survives the resource compiler as UTF-16, not as
    // mojibake of its UTF-8 bytes.
    EXPECT_EQ(info.String(L"041104B0", L"FileDescription"), L"各種履歴･情報ファイル削除コマンド");
    const std::wstring english = info.String(L"040904B0", L"FileDescription");
    EXPECT_FALSE(english.empty());
    for (wchar_t c : english) EXPECT_LT(c, 0x80) << english.c_str();
}

TEST(ManifestResource, AsksForCommonControls6AndMakesAnActivationContext) {
    const UniqueLibrary dll(::LoadLibraryExW(
        DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(dll) << ::GetLastError();
    HRSRC resource = ::FindResourceW(dll.get(), MAKEINTRESOURCEW(2), RT_MANIFEST);
    ASSERT_NE(resource, nullptr);
    EXPECT_EQ(::FindResourceW(dll.get(), MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr)
        << "a process manifest has no place in a DLL";
    const DWORD size = ::SizeofResource(dll.get(), resource);
    const auto* bytes =
        static_cast<const char*>(::LockResource(::LoadResource(dll.get(), resource)));
    ASSERT_NE(bytes, nullptr);
    const std::string manifest(bytes, size);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\""), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos);

    // The dialog's own request, against the DLL as loaded; none without a module.
    const UniqueLibrary loaded(::LoadLibraryW(DllPath().c_str()));
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(CreateManifestContext(nullptr));
    const UniqueActCtx context = CreateManifestContext(loaded.get());
    ASSERT_TRUE(context) << ::GetLastError();
    const ScopedActCtxActivation active(context.get());
    EXPECT_TRUE(active.active());
}

}  // namespace
}  // namespace vantrel2
