#include "deletion_run.h"

#include "number.h"
#include "settings.h"
#include "text.h"
#include "wildcard.h"

namespace vantrel2 {

const std::array<RowTexts, kRowCount> kRowTexts = {{
    {L"ファイル｢開く｣履歴ファイルを正しく入力して下さい。",
     L"ファイル｢開く｣履歴ファイルの拡張子は ｢INI｣ になります。", kOpenHistoryKey},
    {L"バインダー属性情報ファイルを正しく入力して下さい。",
     L"バインダー属性情報ファイルの拡張子は ｢INI｣ になります。", kBinderAttrKey},
    {L"図面属性情報ファイルを正しく入力して下さい。",
     L"図面属性情報ファイルの拡張子は ｢INI｣ になります。", kDrawingAttrKey},
}};

std::wstring ConfirmationQuestion(std::wstring_view path) {
    std::wstring question = L"｢";
    question += path;
    question += L"｣を削除します。よろしいですか？";
    return question;
}

namespace {

enum class RowEnd { Done, Stop };

RowEnd RunRow(DeletionRunHost& host, int row) {
    const auto tick = host.RowCheckValue(row);
    if (!tick || *tick != kTicked) return RowEnd::Done;

    if (const auto typed = host.PathText(row)) host.SetPathText(row, TrimSpaces(*typed));

    const RowTexts& texts = kRowTexts[static_cast<std::size_t>(row)];
    const auto path = host.PathText(row);
    if (!path || path->empty()) {
        host.ShowWarning(texts.emptyWarning);
        return RowEnd::Stop;
    }
    if (!HasIniExtension(*path)) {
        host.ShowWarning(texts.extensionWarning);
        return RowEnd::Stop;
    }

    const auto confirm = host.ConfirmCheckValue();
    if (!confirm || *confirm == kTicked) {
        if (host.AskCaution(ConfirmationQuestion(*path)) == kAnswerYes) host.DeletePath(*path);
    } else {
        host.DeletePath(*path);
    }
    return RowEnd::Done;
}

void WriteCheckValue(DeletionRunHost& host, std::wstring_view key,
                     const std::optional<std::int16_t>& value) {
    if (value) host.WriteSetting(key, NumberText(*value));
}

}  // namespace

RunEnd RunDeletion(DeletionRunHost& host) {
    for (int row = 0; row < kRowCount; ++row) {
        if (RunRow(host, row) == RowEnd::Stop) return RunEnd::Stopped;
    }
    WriteCheckValue(host, kConfirmKey, host.ConfirmCheckValue());
    for (int row = 0; row < kRowCount; ++row) {
        WriteCheckValue(host, kRowTexts[static_cast<std::size_t>(row)].settingKey,
                        host.RowCheckValue(row));
    }
    host.Unload();
    return RunEnd::Completed;
}

}  // namespace vantrel2
