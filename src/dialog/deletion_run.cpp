#include "deletion_run.h"

#include <set>
#include <tuple>
#include <utility>

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

constexpr std::size_t kMostListed = 10;
// A longer path keeps its start and its end, the file's name.
constexpr std::size_t kLongestShownPath = 200;

struct ReportGroup {
    Refusal::Kind kind;
    std::wstring_view heading;
};
constexpr ReportGroup kReportGroups[] = {
    {Refusal::Kind::NotDeleted, L"次のファイルを削除できませんでした。"},
    {Refusal::Kind::Spared,
     L"次のファイルは CAD とこのコマンドの設定ファイルのため、ワイルドカードでは削除しませんでし"
     L"た。"},
    {Refusal::Kind::NotSaved, L"チェックの状態を次のファイルに保存できませんでした。"},
};
constexpr std::wstring_view kWhatToDo =
    L"CAD を終了してから実行し直すか、ファイルのアクセス許可と、ほかのプログラムがファイルを使"
    L"用していないかを確認して下さい。";

// std::to_wstring would bring the runtime's wide printf into the DLL.
std::wstring DecimalText(std::size_t value) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

}  // namespace

std::wstring RefusalReport(const std::vector<Refusal>& refusals) {
    // A pattern over a large folder may leave thousands.
    std::set<std::tuple<Refusal::Kind, std::wstring_view, std::wstring_view>> seen;
    std::vector<const Refusal*> distinct;
    for (const Refusal& refusal : refusals) {
        if (seen.emplace(refusal.kind, refusal.path, refusal.reason).second) {
            distinct.push_back(&refusal);
        }
    }
    std::wstring report;
    bool advise = false;
    for (const ReportGroup& group : kReportGroups) {
        std::size_t listed = 0;
        std::size_t unlisted = 0;
        std::wstring lines;
        for (const Refusal* refusal : distinct) {
            if (refusal->kind != group.kind) continue;
            if (listed == kMostListed) {
                ++unlisted;
                continue;
            }
            ++listed;
            const std::wstring& path = refusal->path;
            lines += L"\n・";
            lines += path.size() <= kLongestShownPath
                         ? path
                         : path.substr(0, kLongestShownPath / 2) + L"…" +
                               path.substr(path.size() - kLongestShownPath / 2);
            if (!refusal->reason.empty()) lines += L"：" + refusal->reason;
        }
        if (lines.empty() && unlisted == 0) continue;
        advise = advise || group.kind != Refusal::Kind::Spared;
        if (!report.empty()) report += L"\n\n";
        report += group.heading;
        report += lines;
        if (unlisted > 0) report += L"\nほか " + DecimalText(unlisted) + L" 個のファイル";
    }
    if (advise) {
        report += L"\n\n";
        report += kWhatToDo;
    }
    return report;
}

namespace {

enum class RowEnd { Done, Stop };

RowEnd RunRow(DeletionRunHost& host, int row, std::vector<Refusal>& refusals) {
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
    const bool withoutAsking = confirm && *confirm != kTicked;
    if (withoutAsking || host.AskCaution(ConfirmationQuestion(*path)) == kAnswerYes) {
        for (Refusal& refusal : host.DeletePath(*path)) refusals.push_back(std::move(refusal));
    }
    return RowEnd::Done;
}

void WriteCheckValue(DeletionRunHost& host, std::wstring_view key,
                     const std::optional<std::int16_t>& value, std::vector<Refusal>& refusals) {
    if (!value) return;
    if (auto failure = host.WriteSetting(key, NumberText(*value))) {
        refusals.push_back(std::move(*failure));
    }
}

}  // namespace

RunEnd RunDeletion(DeletionRunHost& host) {
    std::vector<Refusal> refusals;
    for (int row = 0; row < kRowCount; ++row) {
        if (RunRow(host, row, refusals) == RowEnd::Stop) return RunEnd::Stopped;
    }
    WriteCheckValue(host, kConfirmKey, host.ConfirmCheckValue(), refusals);
    for (int row = 0; row < kRowCount; ++row) {
        WriteCheckValue(host, kRowTexts[static_cast<std::size_t>(row)].settingKey,
                        host.RowCheckValue(row), refusals);
    }
    if (!refusals.empty()) host.ShowWarning(RefusalReport(refusals));
    host.Unload();
    return RunEnd::Completed;
}

}  // namespace vantrel2
