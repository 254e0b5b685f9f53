#include "dialog/deletion/portable/deletion_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace vantrel2 {
namespace {

// Plays the dialog: records every call in order and fails the ones it is
// told to.
class FakeDialog : public DeletionRunHost {
  public:
    std::array<std::int16_t, kRowCount> ticks{0, 0, 0};
    std::int16_t confirm = 0;
    std::array<std::wstring, kRowCount> texts;
    std::vector<std::int16_t> answers;  // AskCaution answers in turn; 7 when used up
    std::set<std::wstring> failing;     // call names (e.g. "tick1", "ask", "write2") that fail
    std::vector<std::wstring> calls;
    std::vector<std::wstring> deleted;
    std::vector<std::pair<std::wstring, std::wstring>> writes;
    bool unloaded = false;
    bool deletionRunsOutOfMemory = false;

    FakeDialog() = default;
    FakeDialog(std::array<std::int16_t, kRowCount> rowTicks, std::int16_t confirmTick,
               std::array<std::wstring, kRowCount> paths, std::vector<std::int16_t> replies = {})
        : ticks(rowTicks),
          confirm(confirmTick),
          texts(std::move(paths)),
          answers(std::move(replies)) {}

    std::optional<std::int16_t> RowCheckValue(int row) override {
        if (Record(L"tick" + std::to_wstring(row))) return std::nullopt;
        return ticks[static_cast<std::size_t>(row)];
    }
    std::optional<std::int16_t> ConfirmCheckValue() override {
        if (Record(L"confirm")) return std::nullopt;
        return confirm;
    }
    std::optional<std::wstring> PathText(int row) override {
        if (Record(L"text" + std::to_wstring(row))) return std::nullopt;
        return texts[static_cast<std::size_t>(row)];
    }
    bool SetPathText(int row, std::wstring_view text) override {
        if (Record(L"set" + std::to_wstring(row) + L":" + std::wstring(text))) return false;
        texts[static_cast<std::size_t>(row)] = text;
        return true;
    }
    bool ShowWarning(std::wstring_view text) override {
        return !Record(L"warn:" + std::wstring(text));
    }
    std::optional<std::int16_t> AskCaution(std::wstring_view text) override {
        if (Record(L"ask:" + std::wstring(text))) return std::nullopt;
        if (answers.empty()) return 7;
        const std::int16_t answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    std::vector<Refusal> DeletePath(std::wstring_view path) override {
        if (deletionRunsOutOfMemory) throw std::bad_alloc();
        if (Record(L"delete:" + std::wstring(path))) {
            return {{Refusal::Kind::NotDeleted, std::wstring(path), L"denied"}};
        }
        deleted.emplace_back(path);
        return {};
    }
    std::optional<Refusal> WriteSetting(std::wstring_view key, std::wstring_view value) override {
        if (Record(L"write" + std::to_wstring(writes.size() + 1))) {
            writes.emplace_back(L"(failed)" + std::wstring(key), value);
            return Refusal{Refusal::Kind::NotSaved, L"kx.ini", L"locked"};
        }
        writes.emplace_back(key, value);
        return std::nullopt;
    }
    bool Unload() override {
        if (Record(L"unload")) return false;
        unloaded = true;
        return true;
    }

    // Calls of one kind, in order, by their prefix.
    std::vector<std::wstring> CallsStartingWith(const std::wstring& prefix) const {
        std::vector<std::wstring> found;
        for (const auto& call : calls) {
            if (call.rfind(prefix, 0) == 0) found.push_back(call);
        }
        return found;
    }

  private:
    // True when this call is to fail. A failing call is matched by its name
    // before the first ':' (so "ask" fails every question).
    bool Record(const std::wstring& call) {
        calls.push_back(call);
        return failing.count(call.substr(0, call.find(L':'))) != 0;
    }
};

using Writes = std::vector<std::pair<std::wstring, std::wstring>>;

// What the user reads and the settings file holds, spelled by code point so
// that a half-width bracket or question mark slipping in would show.
const std::wstring kQuestionTail =
    L"\xFF63\x3092\x524A\x9664\x3057\x307E\x3059\x3002\x3088\x308D\x3057\x3044\x3067\x3059\x304B"
    L"\xFF1F";
const std::wstring kKeys[] = {  // confirmation, rows 0, 1, 2
    L"\x78BA\x8A8D\x30E1\x30C3\x30BB\x30FC\x30B8",
    L"\x958B\x304F\x5C65\x6B74\x30D5\x30A1\x30A4\x30EB",
    L"\x30D0\x30A4\x30F3\x30C0\x30FC\x60C5\x5831\x30D5\x30A1\x30A4\x30EB",
    L"\x56F3\x9762\x5C5E\x6027\x60C5\x5831\x30D5\x30A1\x30A4\x30EB"};
const std::wstring kRowNames[] = {
    L"\x30D5\x30A1\x30A4\x30EB\xFF62\x958B\x304F\xFF63\x5C65\x6B74\x30D5\x30A1\x30A4\x30EB",
    L"\x30D0\x30A4\x30F3\x30C0\x30FC\x5C5E\x6027\x60C5\x5831\x30D5\x30A1\x30A4\x30EB",
    L"\x56F3\x9762\x5C5E\x6027\x60C5\x5831\x30D5\x30A1\x30A4\x30EB"};
std::wstring EmptyWarning(int row) {
    return kRowNames[row] +
           L"\x3092\x6B63\x3057\x304F\x5165\x529B\x3057\x3066\x4E0B\x3055\x3044\x3002";
}
std::wstring ExtensionWarning(int row) {
    return kRowNames[row] +
           L"\x306E\x62E1\x5F35\x5B50\x306F \xFF62INI\xFF63 \x306B\x306A\x308A\x307E\x3059\x3002";
}

TEST(DeletionRun, NoRowTickedWritesTheFourStatesAndUnloads) {
    FakeDialog dialog({0, 2, 0}, 2, {L"  a.ini ", L"", L" "});
    EXPECT_EQ(RunDeletion(dialog), RunEnd::Completed);
    EXPECT_TRUE(dialog.deleted.empty());
    EXPECT_TRUE(dialog.CallsStartingWith(L"text").empty());  // unticked boxes untouched
    EXPECT_TRUE(dialog.CallsStartingWith(L"ask").empty());
    EXPECT_EQ(dialog.writes,
              (Writes{{kKeys[0], L"2"}, {kKeys[1], L"0"}, {kKeys[2], L"2"}, {kKeys[3], L"0"}}));
    EXPECT_TRUE(dialog.unloaded);
    EXPECT_EQ(dialog.calls.back(), L"unload");
}

// What the user sees, in order: the trimmed path in its box, the question,
// the deletion, the four keys saved, the dialog gone.
TEST(DeletionRun, AConfirmedRowIsTrimmedAskedDeletedAndSaved) {
    FakeDialog dialog({1, 0, 0}, 1, {L"  C:\\x\\a b.ini  ", L"", L""}, {6});
    EXPECT_EQ(RunDeletion(dialog), RunEnd::Completed);
    std::vector<std::wstring> seen;
    for (const auto& call : dialog.calls) {
        if (call.find(L':') != std::wstring::npos || call[0] == L'w' || call == L"unload") {
            seen.push_back(call);
        }
    }
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"set0:C:\\x\\a b.ini",
                                               L"ask:\xFF62"
                                               L"C:\\x\\a b.ini" +
                                                   kQuestionTail,
                                               L"delete:C:\\x\\a b.ini", L"write1", L"write2",
                                               L"write3", L"write4", L"unload"}));
    EXPECT_EQ(dialog.writes,
              (Writes{{kKeys[0], L"1"}, {kKeys[1], L"1"}, {kKeys[2], L"0"}, {kKeys[3], L"0"}}));
}

TEST(DeletionRun, AFailedCheckWarnsStopsAndWritesNothing) {
    struct Case {
        std::wstring text;
        std::size_t row;
        bool emptyWarning;
        std::wstring leftInBox;
    };
    const Case cases[] = {
        {L"   ", 0, true, L""},
        {L"", 1, true, L""},
        {L" a.in ", 2, false, L"a.in"},
        {L"", 2, true, L""},
        {L"a.txt", 0, false, L"a.txt"},
        {L"a.\xFF29\xFF2E\xFF29", 1, false, L"a.\xFF29\xFF2E\xFF29"},
        {L"\x3000"
         L"a.ini\x3000",
         2, false,
         L"\x3000"
         L"a.ini\x3000"},  // U+3000 is no space here
        {L"\ta.ini\t", 0, false, L"\ta.ini\t"},
    };
    for (const Case& c : cases) {
        FakeDialog dialog({1, 1, 1}, 0, {L"r0.ini", L"r1.ini", L"r2.ini"});
        dialog.texts[c.row] = c.text;
        EXPECT_EQ(RunDeletion(dialog), RunEnd::Stopped);
        const int row = static_cast<int>(c.row);
        EXPECT_EQ(dialog.calls.back(),
                  L"warn:" + (c.emptyWarning ? EmptyWarning(row) : ExtensionWarning(row)));
        EXPECT_EQ(dialog.texts[c.row], c.leftInBox);
        EXPECT_EQ(dialog.deleted.size(), c.row);  // earlier rows went, later ones unseen
        EXPECT_TRUE(dialog.writes.empty());
        EXPECT_FALSE(dialog.unloaded);
        EXPECT_TRUE(dialog.CallsStartingWith(L"tick" + std::to_wstring(c.row + 1)).empty());
    }
}

TEST(DeletionRun, ReadsTheConfirmSwitchAfreshForEachRow) {
    // The fake changes Check1 between rows, as if the user had clicked it
    // while a question was open.
    class SwitchingDialog final : public FakeDialog {
      public:
        std::optional<std::int16_t> AskCaution(std::wstring_view text) override {
            confirm = 0;
            return FakeDialog::AskCaution(text);
        }
    } dialog;
    dialog.ticks = {1, 1, 1};
    dialog.confirm = 1;
    dialog.texts = {L"a.ini", L"b.ini", L"c.ini"};
    dialog.answers = {7};
    EXPECT_EQ(RunDeletion(dialog), RunEnd::Completed);
    EXPECT_EQ(dialog.CallsStartingWith(L"ask").size(), 1U);
    EXPECT_EQ(dialog.deleted, (std::vector<std::wstring>{L"b.ini", L"c.ini"}));
    EXPECT_EQ(dialog.writes[0].second, L"0");
}

TEST(DeletionRun, NoKeepsTheFileAndTheRunGoesOn) {
    FakeDialog dialog({1, 1, 1}, 1, {L"a.ini", L"*.ini", L"a.ini"}, {7, 6, 9});
    EXPECT_EQ(RunDeletion(dialog), RunEnd::Completed);
    EXPECT_EQ(dialog.deleted, std::vector<std::wstring>{L"*.ini"});  // only 6 is a yes
    EXPECT_EQ(dialog.writes.size(), 4U);
    EXPECT_TRUE(dialog.unloaded);
}

TEST(DeletionRun, GreyedBoxesCountAsUnticked) {
    FakeDialog dialog({2, 1, 1}, 2, {L"a.ini", L"b.ini", L"b.ini"});
    EXPECT_EQ(RunDeletion(dialog), RunEnd::Completed);
    EXPECT_TRUE(dialog.CallsStartingWith(L"ask").empty());
    EXPECT_TRUE(dialog.CallsStartingWith(L"text0").empty());
    EXPECT_EQ(dialog.deleted, (std::vector<std::wstring>{L"b.ini", L"b.ini"}));
    EXPECT_EQ(dialog.writes[0].second, L"2");
    EXPECT_EQ(dialog.writes[1].second, L"2");
    EXPECT_EQ(dialog.writes[2].second, L"1");
}

TEST(DeletionRun, SavesTheStatesAsTheyAreAtTheEnd) {
    class TogglingDialog final : public FakeDialog {
      public:
        std::vector<Refusal> DeletePath(std::wstring_view path) override {
            ticks[0] = 0;  // e.g. the user unticked the row while a box was open
            return FakeDialog::DeletePath(path);
        }
    } dialog;
    dialog.ticks = {1, 0, 0};
    dialog.texts = {L"a.ini", L"", L""};
    RunDeletion(dialog);
    EXPECT_EQ(dialog.writes[1].second, L"0");
}

TEST(DeletionRunFailures, SwallowedAndTheRunGoesOnAsTheRulesSay) {
    {  // deletions that fail: the next row, the save, then one warning names both
        FakeDialog dialog({1, 1, 0}, 0, {L"a.ini", L"b.ini", L""});
        dialog.failing = {L"delete"};
        EXPECT_EQ(RunDeletion(dialog), RunEnd::Completed);
        EXPECT_EQ(dialog.CallsStartingWith(L"delete").size(), 2U);
        EXPECT_EQ(dialog.writes.size(), 4U);
        ASSERT_EQ(dialog.CallsStartingWith(L"warn").size(), 1U);
        EXPECT_EQ(dialog.calls.end()[-2],
                  L"warn:" + RefusalReport({
                                 {Refusal::Kind::NotDeleted, L"a.ini", L"denied"},
                                 {Refusal::Kind::NotDeleted, L"b.ini", L"denied"},
                             }));
        EXPECT_EQ(dialog.calls.back(), L"unload");
    }
    {  // a later row stops the run: its warning, then what earlier rows left; nothing saved
        FakeDialog dialog({1, 1, 0}, 0, {L"a.ini", L" ", L""});
        dialog.failing = {L"delete"};
        EXPECT_EQ(RunDeletion(dialog), RunEnd::Stopped);
        EXPECT_EQ(
            dialog.CallsStartingWith(L"warn"),
            (std::vector<std::wstring>{
                L"warn:" + EmptyWarning(1),
                L"warn:" + RefusalReport({{Refusal::Kind::NotDeleted, L"a.ini", L"denied"}})}));
        EXPECT_TRUE(dialog.writes.empty());
        EXPECT_FALSE(dialog.unloaded);
    }
    {  // out of memory in a deletion: the row is named, the run goes on and completes
        FakeDialog dialog({1, 0, 0}, 0, {L" a.ini", L"", L""});
        dialog.deletionRunsOutOfMemory = true;
        EXPECT_EQ(RunDeletion(dialog), RunEnd::Completed);
        EXPECT_EQ(dialog.writes.size(), 4U);
        EXPECT_EQ(dialog.calls.end()[-2],
                  L"warn:" + RefusalReport({{Refusal::Kind::NotDeleted, L"a.ini",
                                             L"\x30E1\x30E2\x30EA\x304C\x4E0D\x8DB3\x3057"
                                             L"\x3066\x3044\x307E\x3059\x3002"}}));
        EXPECT_EQ(dialog.calls.back(), L"unload");
    }
    {  // the trim cannot be written back: the checks use the box as it is
        FakeDialog dialog({1, 0, 0}, 0, {L" a.ini ", L"", L""});
        dialog.failing = {L"set0"};
        EXPECT_EQ(RunDeletion(dialog), RunEnd::Stopped);
        EXPECT_EQ(dialog.calls.back(), L"warn:" + ExtensionWarning(0));
    }
    {  // the text cannot be read: the empty warning, then stop
        FakeDialog dialog({1, 0, 0}, 0, {L"a.ini", L"", L""});
        dialog.failing = {L"text0"};
        EXPECT_EQ(RunDeletion(dialog), RunEnd::Stopped);
        EXPECT_EQ(dialog.calls.back(), L"warn:" + EmptyWarning(0));
        EXPECT_TRUE(dialog.deleted.empty());
    }
    {  // the warning cannot be shown: stop all the same
        FakeDialog dialog({1, 1, 1}, 0, {L"", L"b.ini", L"c.ini"});
        dialog.failing = {L"warn"};
        EXPECT_EQ(RunDeletion(dialog), RunEnd::Stopped);
        EXPECT_TRUE(dialog.deleted.empty());
        EXPECT_TRUE(dialog.writes.empty());
    }
    {  // Check1 unreadable: ask; the question fails unanswered: keep the file
        FakeDialog dialog({1, 0, 0}, 0, {L"a.ini", L"", L""});
        dialog.failing = {L"confirm", L"ask"};
        EXPECT_EQ(RunDeletion(dialog), RunEnd::Completed);
        EXPECT_EQ(dialog.CallsStartingWith(L"ask").size(), 1U);
        EXPECT_TRUE(dialog.deleted.empty());
        // Check1 unreadable at the save too: its key is left as it was.
        EXPECT_EQ(dialog.writes.size(), 3U);
        EXPECT_EQ(dialog.writes[0].first, kKeys[1]);
    }
    {  // a tick that cannot be read: the row is skipped, its key not written
        FakeDialog dialog({1, 1, 1}, 0, {L"a.ini", L"b.ini", L"c.ini"});
        dialog.failing = {L"tick1"};
        EXPECT_EQ(RunDeletion(dialog), RunEnd::Completed);
        EXPECT_EQ(dialog.deleted, (std::vector<std::wstring>{L"a.ini", L"c.ini"}));
        EXPECT_EQ(dialog.writes.size(), 3U);
        EXPECT_EQ(dialog.writes[2].first, kKeys[3]);
    }
    {  // failed writes: the next one, one warning; a failed unload: the run still ends
        FakeDialog dialog;
        dialog.failing = {L"write2", L"write3", L"unload"};
        EXPECT_EQ(RunDeletion(dialog), RunEnd::Completed);
        EXPECT_EQ(dialog.CallsStartingWith(L"write").size(), 4U);
        EXPECT_EQ(dialog.calls.end()[-2],
                  L"warn:" + RefusalReport({{Refusal::Kind::NotSaved, L"kx.ini", L"locked"}}));
        EXPECT_EQ(dialog.calls.back(), L"unload");
        EXPECT_FALSE(dialog.unloaded);
    }
}

// What the one warning says: the files that stay with their reasons, the
// spared settings file, the settings not saved; each once, ten of a kind at
// most, a long path by its start and end; advice only for real failures.
TEST(RefusalReport, ListsEachEntryOnceTenOfAKindAtMostAndAdvisesOnRealFailures) {
    using K = Refusal::Kind;
    const std::wstring longPath = std::wstring(300, L'y') + L"z.ini";
    std::vector<Refusal> refusals{{K::NotDeleted, longPath, L"r"}, {K::Spared, L"kx.ini", L""}};
    for (int i = 0; i < 12; ++i)
        refusals.push_back({K::NotDeleted, L"f" + std::to_wstring(i), L"r"});
    refusals.push_back({K::NotSaved, L"kx.ini", L"locked"});
    refusals.push_back({K::NotSaved, L"kx.ini", L"locked"});
    EXPECT_EQ(
        RefusalReport(refusals),
        L"次のファイルを削除できませんでした。\n・" + std::wstring(100, L'y') + L"…" +
            std::wstring(95, L'y') +
            L"z.ini：r\n・f0：r\n・f1：r\n・f2：r\n・f3：r\n・f4：r\n・f5：r\n・f6：r\n・f7：r\n・"
            L"f8：r\nほかに 3 件あります。\n\n次のファイルは CAD とこのコマンドの設定ファイル"
            L"のため、* や ? を使った指定では削除しませんでした。\n・kx."
            L"ini\n\nチェックの状態を次のファイルに保存"
            L"できませんでした。\n・kx.ini：locked\n\nほかの CAD やプログラムがファイルを"
            L"使用していないか、ファイルの読み取り専用属性とアクセス許可を確認してから、このコマン"
            L"ドをもう一度実行して下さい。");
    EXPECT_EQ(
        RefusalReport({{K::Spared, L"kx.ini", L""}}),
        L"次のファイルは CAD とこのコマンドの設定ファイルのため、* や ? を使った指定では削除しませ"
        L"んでした。\n・kx.ini");
    // A link met by a pattern, with where it leads; a cut never splits a
    // surrogate pair (U+20BB7 at both cuts).
    const std::wstring pair = L"\xD842\xDFB7";
    EXPECT_EQ(
        RefusalReport({{K::ThroughLink,
                        std::wstring(99, L'y') + pair + std::wstring(200, L'y') + pair +
                            std::wstring(99, L'w'),
                        L"D:\\x"}}),
        L"次のフォルダーは別の場所を指すリンク（ジャンクションまたはシンボリック リンク）のため"
        L"、その中の * や ? に一致したファイルは削除しませんでした。\n・" +
            std::wstring(99, L'y') + L"…" + std::wstring(99, L'w') + L"（リンク先：D:\\x）");
    // A folder that could not be checked and a settings file that could not
    // be identified: each under its own heading with its reason, then the
    // advice.
    const std::wstring unchecked = RefusalReport(
        {{K::SettingsUnknown, L"kx.ini", L"denied"}, {K::Unverified, L"C:\\p", L"denied"}});
    EXPECT_LT(unchecked.find(L"\n・C:\\p：denied\n\n"), unchecked.find(L"\n・kx.ini：denied\n\n"));
    EXPECT_EQ(std::count(unchecked.begin(), unchecked.end(), L'・'), 2);
}

TEST(DeletionRun, ASecondRunStartsAgainFromRowZero) {
    FakeDialog dialog({1, 1, 0}, 1, {L"a.ini", L"  ", L""}, {6, 6, 6});
    EXPECT_EQ(RunDeletion(dialog), RunEnd::Stopped);
    dialog.texts[1] = L"b.ini";
    EXPECT_EQ(RunDeletion(dialog), RunEnd::Completed);
    EXPECT_EQ(dialog.deleted, (std::vector<std::wstring>{L"a.ini", L"a.ini", L"b.ini"}));
    EXPECT_EQ(dialog.CallsStartingWith(L"ask").size(), 3U);
}

}  // namespace
}  // namespace vantrel2
