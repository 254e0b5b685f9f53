// The Execute and browse handlers of Vantrel2Form: the form's side of the
// deletion run and of the file-open component.
#include "CommonDialog1.h"
#include "Vantrel2Form.h"
#include "commonModule.h"
#include "deletion_run.h"
#include "file_deletion.h"
#include "settings.h"

namespace vantrel2 {
namespace {

// The deletion run's view of the open form. A call after the window has gone
// fails, and the run goes on as its failure rules say.
class FormDeletionHost final : public DeletionRunHost {
  public:
    FormDeletionHost(Vantrel2Form& form, std::wstring settingsFile)
        : form_(form), settingsFile_(std::move(settingsFile)) {}

    std::optional<std::int16_t> RowCheckValue(int row) override {
        if (!IsOpen()) return std::nullopt;
        return form_.Check2Value(row);
    }
    std::optional<std::int16_t> ConfirmCheckValue() override {
        if (!IsOpen()) return std::nullopt;
        return form_.Check1Value();
    }
    std::optional<std::wstring> PathText(int row) override {
        if (!IsOpen()) return std::nullopt;
        return form_.Text2(row);
    }
    bool SetPathText(int row, std::wstring_view text) override {
        if (!IsOpen()) return false;
        form_.SetText2(row, text);
        return true;
    }
    bool ShowWarning(std::wstring_view text) override {
        vantrel2::ShowWarning(text);
        return true;
    }
    std::optional<std::int16_t> AskCaution(std::wstring_view text) override {
        const std::int16_t answer = vantrel2::AskCaution(text);
        if (answer == 0) return std::nullopt;  // the box could not be shown
        return answer;
    }
    bool DeletePath(std::wstring_view path) override {
        const DeletionOutcome outcome = DeleteFilesByPath(path);
        return outcome.kept == 0 && SUCCEEDED(outcome.firstError);
    }
    bool WriteSetting(std::wstring_view key, std::wstring_view value) override {
        ProfileWrite(settingsFile_, kSettingsSection, key, value);
        return true;
    }
    bool Unload() override { return form_.Unload(); }

  private:
    bool IsOpen() const { return ::IsWindow(form_.Window()) != FALSE; }

    Vantrel2Form& form_;
    std::wstring settingsFile_;
};

}  // namespace

void Vantrel2Form::OnExecute() {
    try {
        FormDeletionHost host(*this, SettingsFileName(CurrentSharedState().SysInfoDir));
        RunDeletion(host);
    } catch (...) {
        // Out of memory mid-run: the run simply ends, the dialog stays open.
    }
}

void Vantrel2Form::OnBrowse(int row) {
    try {
        if (!commonDialog1_ && FAILED(CreateCommonDialog1(Window(), commonDialog1_.put()))) {
            return;
        }
        // RunFileSelection holds the component for the call, so that nothing
        // can free it while its dialog is open.
        SetText2(row, RunFileSelection(commonDialog1_.get(), Text2(row)));
    } catch (...) {
        // Out of memory: the box keeps its text.
    }
}

}  // namespace vantrel2
