// The Execute and browse handlers of Vantrel2Form: the form's side of the
// deletion run and of the file-open dialog.
#include "dialog/Vantrel2Form.h"
#include "common/commonModule.h"
#include "dialog/deletion/portable/deletion_run.h"
#include "common/portable/exception_boundary.h"
#include "dialog/deletion/file_deletion.h"
#include "dialog/file_open.h"
#include "common/portable/settings.h"
#include "common/win32/win_util.h"

namespace vantrel2 {
namespace {

// The deletion run's view of the open form. Once the dialog is being closed
// (Cancel or a close request from the host, say while a question is up) or
// its window is gone, every call fails: nothing more is asked, deleted or
// saved, as the run's failure rules then say.
class FormDeletionHost final : public DeletionRunHost {
  public:
    FormDeletionHost(Vantrel2Form& form, std::wstring settingsFile, std::wstring currentFolder)
        : form_(form),
          settingsFile_(std::move(settingsFile)),
          currentFolder_(std::move(currentFolder)) {}

    std::optional<std::int16_t> RowCheckValue(int row) override {
        if (!IsOpen()) return std::nullopt;
        return form_.Check2Value(row);
    }
    std::optional<std::int16_t> ConfirmCheckValue() override {
        if (!IsOpen()) return std::nullopt;
        return form_.Check1Value();
    }
    std::optional<std::wstring> PathText(int row) override {
        return Guarded([&]() -> std::optional<std::wstring> { return form_.Text2(row); });
    }
    bool SetPathText(int row, std::wstring_view text) override {
        return Guarded([&] {
            form_.SetText2(row, text);
            return true;
        });
    }
    bool ShowWarning(std::wstring_view text) override {
        return Guarded([&] {
            vantrel2::ShowWarning(text, form_.Window());
            return true;
        });
    }
    std::optional<std::int16_t> AskCaution(std::wstring_view text) override {
        return Guarded([&]() -> std::optional<std::int16_t> {
            const std::int16_t answer = vantrel2::AskCaution(text, form_.Window());
            if (answer == 0 || !IsOpen()) return std::nullopt;  // not shown, or closed meanwhile
            return answer;
        });
    }
    std::vector<Refusal> DeletePath(std::wstring_view path) override {
        if (!IsOpen()) return {};
        std::vector<Refusal> refusals;
        for (KeptFile& kept : DeleteFilesByPath(path, settingsFile_, currentFolder_).reported) {
            std::wstring reason = kept.why == Refusal::Kind::Spared ? std::wstring()
                                  : kept.why == Refusal::Kind::ThroughLink
                                      ? std::move(kept.linkTarget)
                                      : ReasonText(kept.reason);
            refusals.push_back({kept.why, std::move(kept.path), std::move(reason)});
        }
        return refusals;
    }
    std::optional<Refusal> WriteSetting(std::wstring_view key, std::wstring_view value) override {
        if (!IsOpen()) return std::nullopt;
        const HRESULT hr = ProfileWrite(settingsFile_, kSettingsSection, key, value);
        if (SUCCEEDED(hr)) return std::nullopt;
        return Refusal{Refusal::Kind::NotSaved, settingsFile_, SystemMessage(hr)};
    }
    bool Unload() override { return form_.Unload(); }

  private:
    bool IsOpen() const { return form_.IsOpenForUser(); }

    // The call's answer, or its failure when the form is gone or memory
    // runs out.
    template <typename Call>
    auto Guarded(Call call) noexcept -> decltype(call()) {
        return StopExceptions(
            [&]() -> decltype(call()) {
                if (IsOpen()) return call();
                return {};
            },
            []() -> decltype(call()) { return {}; });
    }

    // Why a path names no file, in the system's words where it has them.
    static std::wstring ReasonText(HRESULT reason) {
        if (reason == kDevicePathRefused) return L"ファイルではなく、デバイスを指すパスです。";
        if (reason == kStreamRefused) return L"ファイルの中のストリームを指すパスです。";
        return SystemMessage(reason);
    }

    Vantrel2Form& form_;
    std::wstring settingsFile_;
    std::wstring currentFolder_;  // a relative path's start, the same for every row
};

// The process's current folder as it is now; empty when it cannot be read,
// and then each path is taken from the current folder when it is deleted.
std::wstring CurrentFolderNow() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
        if (length == 0) return {};
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length);
    }
}

}  // namespace

// Out of memory in the browse handler ends it where it stands (the dialog
// procedure catches it): the dialog stays open, the path box keeps its text.
// The deletion run catches its own.

void Vantrel2Form::OnExecute() {
    FormDeletionHost host(*this, SettingsFileName(state_->SysInfoDir), CurrentFolderNow());
    RunDeletion(host);
}

void Vantrel2Form::OnBrowse(int row) {
    const std::wstring chosen = ChooseSettingsFile(Window(), Text2(row));
    if (IsOpenForUser()) SetText2(row, chosen);
}

}  // namespace vantrel2
