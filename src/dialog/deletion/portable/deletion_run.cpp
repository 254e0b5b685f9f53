#include "dialog/deletion/portable/deletion_run.h"

#include <set>
#include <tuple>
#include <utility>

#include "common/portable/exception_boundary.h"
#include "common/portable/number.h"
#include "common/portable/settings.h"
#include "common/portable/text.h"
#include "dialog/deletion/portable/wildcard.h"

namespace vantrel2 {

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
     L"次のファイルは CAD とこのコマンドの設定ファイルのため、* や ? を使った指定では削除しませ"
     L"んでした。"},
    {Refusal::Kind::NotSaved, L"チェックの状態を次のファイルに保存できませんでした。"},
    {Refusal::Kind::ThroughLink,
     L"次のフォルダーは別の場所を指すリンク（ジャンクションまたはシンボリック リンク）のため、"
     L"その中の * や ? に一致したファイルは削除しませんでした。"},
    {Refusal::Kind::Unverified,
     L"次のフォルダーは別の場所を指すリンクでないことを確かめられなかったため、その中の * や ? "
     L"に一致したファイルは削除しませんでした。"},
    {Refusal::Kind::SettingsUnknown,
     L"次のファイルは CAD とこのコマンドの設定ファイルですが、開いて確かめることができなかったた"
     L"め、同じフォルダーで * や ? に一致したファイルは削除しませんでした。"},
};
constexpr std::wstring_view kWhatToDo =
    L"ほかの CAD やプログラムがファイルを使用していないか、ファイルの読み取り専用属性とアクセス"
    L"許可を確認してから、このコマンドをもう一度実行して下さい。";
constexpr std::wstring_view kOutOfMemory = L"メモリが不足しています。";
constexpr std::wstring_view kSomeNotListed =
    L"メモリが不足したため、一部のファイルを表示できませんでした。";
constexpr std::wstring_view kNothingListed =
    L"メモリが不足したため、削除または保存できなかったファイルを表示できませんでした。ファイルの"
    L"状態を確認して下さい。";

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Its start and its end, the file's name; a surrogate pair stays whole.
std::wstring Shortened(const std::wstring& path) {
    if (path.size() <= kLongestShownPath) return path;
    std::size_t head = kLongestShownPath / 2;
    if (IsHighSurrogate(path[head - 1])) --head;
    std::size_t tail = path.size() - kLongestShownPath / 2;
    if (IsLowSurrogate(path[tail])) ++tail;
    return path.substr(0, head) + L"…" + path.substr(tail);
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
            lines += L"\n・" + Shortened(refusal->path);
            if (refusal->reason.empty()) continue;
            lines += group.kind == Refusal::Kind::ThroughLink
                         ? L"（リンク先：" + Shortened(refusal->reason) + L"）"
                         : L"：" + refusal->reason;
        }
        if (lines.empty() && unlisted == 0) continue;
        advise = advise || group.kind == Refusal::Kind::NotDeleted ||
                 group.kind == Refusal::Kind::NotSaved || group.kind == Refusal::Kind::Unverified ||
                 group.kind == Refusal::Kind::SettingsUnknown;
        if (!report.empty()) report += L"\n\n";
        report += group.heading;
        report += lines;
        if (unlisted > 0)
            report += L"\nほかに " + NumberText(static_cast<double>(unlisted)) + L" 件あります。";
    }
    if (advise) {
        report += L"\n\n";
        report += kWhatToDo;
    }
    return report;
}

namespace {

enum class RowEnd { Done, Stop };

// What the run could not do, and whether memory ran out even for that.
struct Collected {
    std::vector<Refusal> refusals;
    bool incomplete = false;
};

// `path` is the row's text once read, for naming the row if memory runs out.
RowEnd RunRow(DeletionRunHost& host, int row, std::wstring& path, Collected& collected) {
    const auto tick = host.RowCheckValue(row);
    if (!tick || *tick != kTicked) return RowEnd::Done;

    if (const auto typed = host.PathText(row)) {
        path = *typed;
        host.SetPathText(row, TrimSpaces(*typed));
    }

    const RowDescription& texts = kRows[static_cast<std::size_t>(row)];
    const auto trimmed = host.PathText(row);
    if (!trimmed || trimmed->empty()) {
        host.ShowWarning(texts.emptyWarning);
        return RowEnd::Stop;
    }
    path = *trimmed;
    if (!HasIniExtension(path)) {
        host.ShowWarning(texts.extensionWarning);
        return RowEnd::Stop;
    }

    const auto confirm = host.ConfirmCheckValue();
    const bool withoutAsking = confirm && *confirm != kTicked;
    if (withoutAsking || host.AskCaution(ConfirmationQuestion(path)) == kAnswerYes) {
        for (Refusal& refusal : host.DeletePath(path)) {
            collected.refusals.push_back(std::move(refusal));
        }
    }
    return RowEnd::Done;
}

void NoteOutOfMemory(Collected& collected, const std::wstring& path) noexcept {
    if (path.empty()) {
        collected.incomplete = true;
        return;
    }
    StopExceptions(
        [&] {
            collected.refusals.push_back(
                {Refusal::Kind::NotDeleted, path, std::wstring(kOutOfMemory)});
        },
        [&] { collected.incomplete = true; });
}

void WriteCheckValue(DeletionRunHost& host, std::wstring_view key,
                     const std::optional<std::int16_t>& value, Collected& collected) noexcept {
    if (!value) return;
    StopExceptions(
        [&] {
            if (auto failure = host.WriteSetting(key, NumberText(*value))) {
                collected.refusals.push_back(std::move(*failure));
            }
        },
        [&] { collected.incomplete = true; });
}

// The check value saved under kSettingKeys[setting]: the confirmation
// switch's, then each row's.
std::optional<std::int16_t> CheckValueOf(DeletionRunHost& host, std::size_t setting) {
    return setting == 0 ? host.ConfirmCheckValue()
                        : host.RowCheckValue(static_cast<int>(setting) - 1);
}

void ShowCollected(DeletionRunHost& host, const Collected& collected) noexcept {
    if (collected.refusals.empty() && !collected.incomplete) return;
    if (collected.refusals.empty()) {
        host.ShowWarning(kNothingListed);
        return;
    }
    StopExceptions(
        [&] {
            std::wstring report = RefusalReport(collected.refusals);
            if (collected.incomplete) {
                report += L"\n\n";
                report += kSomeNotListed;
            }
            host.ShowWarning(report);
        },
        [&] { host.ShowWarning(kNothingListed); });
}

}  // namespace

RunEnd RunDeletion(DeletionRunHost& host) noexcept {
    Collected collected;
    for (int row = 0; row < kRowCount; ++row) {
        std::wstring path;
        const RowEnd end = StopExceptions([&] { return RunRow(host, row, path, collected); },
                                          [&] {
                                              NoteOutOfMemory(collected, path);
                                              return RowEnd::Done;
                                          });
        if (end == RowEnd::Stop) {
            ShowCollected(host, collected);
            return RunEnd::Stopped;
        }
    }
    for (std::size_t setting = 0; setting < kSettingKeys.size(); ++setting) {
        WriteCheckValue(host, kSettingKeys[setting], CheckValueOf(host, setting), collected);
    }
    ShowCollected(host, collected);
    host.Unload();
    return RunEnd::Completed;
}

}  // namespace vantrel2
