// The work of the Execute button: rows 0, 1, 2 checked, confirmed and
// deleted in turn, then the four check states saved and the dialog unloaded.
// Written against DeletionRunHost so that the order of steps can be tested
// without windows; the form's FormDeletionHost (Vantrel2Form_handlers.cpp)
// implements the host.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/deletion/portable/refusal.h"
#include "common/portable/rows.h"

namespace vantrel2 {

inline constexpr std::int16_t kAnswerYes = 6;

// What the run needs of the dialog and the common helpers. Every call can
// fail: nullopt or false means the step failed, and the run goes on as its
// failure rules say. Nothing here may throw, but DeletePath and WriteSetting
// may throw std::bad_alloc, so that what they found is not lost unsaid.
class DeletionRunHost {
  public:
    virtual ~DeletionRunHost() = default;
    // Check2 `row` (0, 1, 2) and Check1: 0, 1 or 2.
    virtual std::optional<std::int16_t> RowCheckValue(int row) = 0;
    virtual std::optional<std::int16_t> ConfirmCheckValue() = 0;
    // Text2 `row`.
    virtual std::optional<std::wstring> PathText(int row) = 0;
    virtual bool SetPathText(int row, std::wstring_view text) = 0;
    // ShowWarning / AskCaution of commonModule; false or nullopt when the box
    // could not be shown.
    virtual bool ShowWarning(std::wstring_view text) = 0;
    virtual std::optional<std::int16_t> AskCaution(std::wstring_view text) = 0;
    // Deletes one file or every file matching a pattern; what the user
    // should hear of what stayed (nothing for a file that is not there).
    virtual std::vector<Refusal> DeletePath(std::wstring_view path) = 0;
    // ProfileWrite(settings file, kSettingsSection, key, value); why it
    // failed, or nothing when it was written (or the dialog is gone).
    virtual std::optional<Refusal> WriteSetting(std::wstring_view key, std::wstring_view value) = 0;
    // Unloads the dialog, which ends its modal show.
    virtual bool Unload() = 0;
};

// "｢" path "｣を削除します。よろしいですか？"
std::wstring ConfirmationQuestion(std::wstring_view path);

enum class RunEnd {
    Stopped,    // a path failed a check: the dialog stays open, nothing saved
    Completed,  // every row handled, settings written, unload requested
};

// The one warning that tells what a run could not do: the files that stay
// and the settings not saved, each with its reason, at most ten lines of them
// and a count of the rest. The same entry twice is said once; a long path is
// cut in the middle, never inside a character.
std::wstring RefusalReport(const std::vector<Refusal>& refusals);

// Failures of the steps themselves are swallowed; what the run could not
// delete or save is told in one warning: after the save, before the unload;
// or, when a row stops the run, after that row's own warning. A row that
// runs out of memory is named with its path, and the run goes on. Where they
// are not pinned down otherwise, the run
// errs towards keeping files: a row whose tick cannot be read is skipped, a
// question that fails before it is answered counts as No, and a check value
// that cannot be read at the save leaves its key as it was. The text read
// after the trim is the one checked, shown in the question and deleted.
RunEnd RunDeletion(DeletionRunHost& host) noexcept;

}  // namespace vantrel2
