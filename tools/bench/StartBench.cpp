// For scripts/bench.sh: times the command's start in a stand-in host, from
// the call until the dialog is shown and painted, against a dialog of the
// same twelve controls, captions and font that the dialog manager makes
// from a template, themed through the command DLL's own manifest, showing
// what the command's shows: the paths and check values loaded from the
// settings beside the command's DLL.
//
//   VantrelStartBench.exe --dll <path> [--cmdline <number>]
//                         (--time-start <runs> [--template-dialog] |
//                          --time-pairs <pairs>) [--reference-icons]
//
// --time-start starts the command (or, with --template-dialog, the template
// dialog) <runs> times after one unmeasured start, each time closing the
// dialog as soon as it is shown and painted, and prints "start-ms
// <milliseconds>" per run and what the first open dialog added to the
// process. --time-pairs alternates the command and the template dialog,
// A B B A ..., after a warm-up of three each, and prints "pair <n> AB|BA
// command-ms <ms> template-ms <ms>" per pair; with --reference-icons the
// template dialog carries the command's icons, loaded in its first show as
// the command loads its own. The host has VekCmdLib.dll loaded before the
// first start, as the CAD has its command library. Built with the
// VANTREL2_TRACE option, each timed pair and first show also prints "step
// command|template <step> <ms>" for every step of each side's show, the
// time since the step before it. Exit code 0 when every show was seen, 1
// when one was not, 2 when the object could not be created.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialog/form_controls.h"
#include "dialog/form_resources.h"
#include "host_command.h"
#include "dialog/portable/layout.h"
#include "process_figures.h"
#include "common/SharedState.h"
#include "common/portable/settings.h"
#include "common/trace.h"
#include "common/win32/visual_styles.h"
#include "common/win32/win_handles.h"

namespace {

using vantrel2::ScopedActCtxActivation;
using vantrel2::UniqueActCtx;
using vantrel2::UniqueWindowsHook;

struct Options : vantrel2::host::HostOptions {
    int timedRuns = 0;
    int pairs = 0;
    bool referenceIcons = false;
    bool templateDialog = false;
};

bool ParseOptions(Options& options) {
    const std::vector<std::wstring> args = vantrel2::host::Arguments();
    for (size_t at = 0; at < args.size(); ++at) {
        const std::wstring& arg = args[at];
        const bool hasValue = at + 1 < args.size();
        if (vantrel2::host::TakeHostOption(args, at, options)) continue;
        if (arg == L"--time-start" && hasValue) {
            options.timedRuns = static_cast<int>(std::wcstol(args[++at].c_str(), nullptr, 10));
        } else if (arg == L"--time-pairs" && hasValue) {
            options.pairs = static_cast<int>(std::wcstol(args[++at].c_str(), nullptr, 10));
        } else if (arg == L"--reference-icons") {
            options.referenceIcons = true;
        } else if (arg == L"--template-dialog") {
            options.templateDialog = true;
        } else {
            return false;
        }
    }
    return !options.dll.empty() && (options.timedRuns > 0 || options.pairs > 0);
}

using vantrel2::figures::MeasureProcess;
using vantrel2::figures::ProcessFigures;

struct Timing {
    LARGE_INTEGER started{};
    LARGE_INTEGER visible{};
    double elapsedMs = -1;
    bool measureFootprint = false;
    ProcessFigures open;
};
Timing* g_timing = nullptr;

// The dialog loop sends WM_ENTERIDLE whenever its queue runs empty; once the
// dialog is visible and nothing of the thread is left to paint, it is on
// the screen as the user sees it.
LRESULT CALLBACK WatchIdle(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && g_timing && g_timing->elapsedMs < 0 &&
        message->message == WM_ENTERIDLE && message->wParam == MSGF_DIALOGBOX) {
        const auto dialog = reinterpret_cast<HWND>(message->lParam);
        if (::IsWindowVisible(dialog) && HIWORD(::GetQueueStatus(QS_PAINT)) == 0) {
            LARGE_INTEGER& now = g_timing->visible;
            LARGE_INTEGER frequency{};
            ::QueryPerformanceCounter(&now);
            ::QueryPerformanceFrequency(&frequency);
            g_timing->elapsedMs = double(now.QuadPart - g_timing->started.QuadPart) * 1000.0 /
                                  double(frequency.QuadPart);
            if (g_timing->measureFootprint) g_timing->open = MeasureProcess();
            ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The reference's icons, when it is to carry the command's (none: no icon,
// as the dialog manager makes it).
struct ReferenceIcons {
    HMODULE library = nullptr;
    HICON big = nullptr;
    HICON small = nullptr;
    // From the command's DLL on first use, inside the timed show.
    bool Load() {
        for (auto [icon, pixels] : {std::pair{&big, 32}, {&small, 16}}) {
            if (!*icon) {
                *icon = static_cast<HICON>(::LoadImageW(
                    library, MAKEINTRESOURCEW(VANTREL2_FORM_ICON), IMAGE_ICON, pixels, pixels, 0));
            }
        }
        return big && small;
    }
};

// What the command's dialog shows when it opens, as its load step leaves it:
// the paths and check values loaded from the settings beside the command's
// DLL, so that the reference shows the same texts and values.
struct ReferenceContent {
    vantrel2::SharedState loaded;
    const ReferenceIcons* icons = nullptr;
};

INT_PTR CALLBACK ReferenceDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        VANTREL2_STEP("dialog-and-controls-made");
        const auto& content = *reinterpret_cast<const ReferenceContent*>(lParam);
        // A template cannot say a check box's value: set where it is not a
        // new box's own, as the command does.
        for (size_t i = 0; i < vantrel2::kSettingFlags.size(); ++i) {
            const int id = i == 0 ? vantrel2::kCheck1Id : vantrel2::kRows[i - 1].check2Id;
            const std::int16_t value = content.loaded.*vantrel2::kSettingFlags[i];
            if (value != BST_UNCHECKED) {
                ::SendDlgItemMessageW(dialog, id, BM_SETCHECK, static_cast<WPARAM>(value), 0);
            }
        }
        VANTREL2_STEP("check-values-set");
        if (const auto* icons = content.icons) {
            ::SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons->big));
            ::SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons->small));
            VANTREL2_STEP("icons-set");
        }
        return TRUE;
    }
    if (message == WM_WINDOWPOSCHANGING &&
        (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW)) {
        VANTREL2_STEP("show-begun");
    }
    if (message == WM_CLOSE) {
        ::EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

// Appends to a dialog template, keeping DWORD alignment where it is needed.
class TemplateWriter {
  public:
    void Add(const void* data, size_t bytes) {
        const auto* p = static_cast<const WORD*>(data);
        words_.insert(words_.end(), p, p + bytes / sizeof(WORD));
    }
    void AddWord(WORD word) { words_.push_back(word); }
    void AddText(const wchar_t* text) {
        for (; *text; ++text) words_.push_back(static_cast<WORD>(*text));
        words_.push_back(0);
    }
    void AlignToDword() {
        if (words_.size() % 2) words_.push_back(0);
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    std::vector<WORD> words_;
};

// A reference with the command's controls: the same twelve controls,
// captions, loaded paths, enabled rows and tab order in the same font, from
// a template, so that the dialog manager creates and lays them out (twips to
// dialog units through the 9 pt font's average character of about 6 x 12
// pixels at 96 dpi).
void ShowTemplateDialog(HWND owner, HANDLE themed, const ReferenceContent& content) {
    TemplateWriter writer;
    DLGTEMPLATE header{};
    header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT;
    const auto designs = vantrel2::ControlsInTabOrder();
    header.cdit = static_cast<WORD>(designs.size());
    const auto unitsX = [](int twips) { return static_cast<short>(twips / 15 * 4 / 6); };
    const auto unitsY = [](int twips) { return static_cast<short>(twips / 15 * 8 / 12); };
    header.cx = unitsX(vantrel2::kClientTwips.width);
    header.cy = unitsY(vantrel2::kClientTwips.height);
    writer.Add(&header, sizeof header);
    writer.AddWord(0);  // no menu
    writer.AddWord(0);  // the standard dialog class
    writer.AddText(L"Reference");
    writer.AddWord(9);
    writer.AddText(L"Meiryo UI");
    for (const auto& design : designs) {
        writer.AlignToDword();
        const vantrel2::ControlCreation creation = vantrel2::CreationOf(design);
        DLGITEMTEMPLATE item{};
        item.style = creation.style;
        const wchar_t* text = design.caption;
        for (const vantrel2::RowDescription& row : vantrel2::kRows) {
            if (design.id == row.text2Id) text = (content.loaded.*row.path).c_str();
            if ((design.id == row.text2Id || design.id == row.command4Id) &&
                content.loaded.*row.flag != vantrel2::kTicked) {
                item.style |= WS_DISABLED;
            }
        }
        item.dwExtendedStyle = creation.exStyle;
        item.x = unitsX(design.twips.left);
        item.y = unitsY(design.twips.top);
        item.cx = unitsX(design.twips.width);
        item.cy = unitsY(design.twips.height);
        item.id = static_cast<WORD>(design.id);
        writer.Add(&item, sizeof item);
        writer.AddText(creation.windowClass);
        writer.AddText(text);
        writer.AddWord(0);  // no creation data
    }
    const ScopedActCtxActivation active(themed);
    ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), writer.Get(), owner, ReferenceDialogProc,
                              reinterpret_cast<LPARAM>(&content));
}

enum class Shown { Command, Template };

#if defined(VANTREL2_TRACE)
using TraceSteps = int (*)(vantrel2::trace::Step*, int);
TraceSteps g_commandSteps = nullptr;  // the command DLL's, when it was built with them

// Takes the steps of the show just timed, so that none are left for the
// next; prints each as the time since the one before, the last up to
// visible, when `print`.
void TakeSteps(Shown what, const Timing& timing, bool print) {
    vantrel2::trace::Step steps[64];
    const TraceSteps take = what == Shown::Command ? g_commandSteps : Vantrel2TraceSteps;
    const int count = take ? take(steps, 64) : 0;
    if (!print || timing.elapsedMs < 0) return;
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    const char* side = what == Shown::Command ? "command" : "template";
    long long previous = timing.started.QuadPart;
    const auto printStep = [&](const char* name, long long ticks) {
        std::printf("step %s %s %.3f\n", side, name,
                    double(ticks - previous) * 1000.0 / double(frequency.QuadPart));
        previous = ticks;
    };
    for (int i = 0; i < count; ++i) printStep(steps[i].name, steps[i].ticks);
    printStep("shown-and-painted", timing.visible.QuadPart);
}
#endif

// One show, from the call until the dialog is visible and painted; -1 when
// it never was. `measured`, when given, receives what the open dialog adds
// to the process.
double TimeOneShow(Shown what, HWND window, HANDLE themed, ReferenceIcons* icons,
                   const ReferenceContent& content, long cmdLine, _OrvaneVbCommand* command,
                   ProcessFigures* measured = nullptr, [[maybe_unused]] bool printSteps = false) {
    Timing timing;
    timing.measureFootprint = measured != nullptr;
    g_timing = &timing;
    ::QueryPerformanceCounter(&timing.started);
    bool failed = false;
    if (what == Shown::Template) {
        failed = icons && !icons->Load();
        VANTREL2_STEP("icons-loaded");
        ShowTemplateDialog(window, themed, content);
    } else {
        LONG nCode = 0;
        failed = FAILED(command->VekProcStartCmd(
            static_cast<LONG>(reinterpret_cast<INT_PTR>(window)), cmdLine, &nCode));
    }
    g_timing = nullptr;
#if defined(VANTREL2_TRACE)
    TakeSteps(what, timing, printSteps);
#endif
    if (measured) *measured = timing.open;
    return failed ? -1 : timing.elapsedMs;
}

int TimeStarts(const Options& options, HWND window, HMODULE library, _OrvaneVbCommand* command) {
    const UniqueActCtx themed = vantrel2::CreateManifestContext(library);
    ReferenceIcons commandIcons{library};
    ReferenceIcons* icons = options.referenceIcons ? &commandIcons : nullptr;
    // Loaded before the clock starts: the reference stands for the dialog
    // manager's work on the same content, not for the command's load.
    ReferenceContent content;
    content.icons = icons;
    wchar_t dllPath[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(library, dllPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    vantrel2::LoadSharedState(content.loaded, vantrel2::FolderOfModulePath(dllPath));
    const vantrel2::UniqueLibrary hostCommandLibrary(::LoadLibraryW(L"VekCmdLib.dll"));
    if (!hostCommandLibrary) return 1;
    const UniqueWindowsHook hook(
        ::SetWindowsHookExW(WH_CALLWNDPROC, WatchIdle, nullptr, ::GetCurrentThreadId()));
    if (!hook) return 1;
#if defined(VANTREL2_TRACE)
    g_commandSteps = reinterpret_cast<TraceSteps>(
        reinterpret_cast<void (*)()>(::GetProcAddress(library, "Vantrel2TraceSteps")));
#endif
    int failures = 0;
    const auto show = [&](Shown what, ProcessFigures* measured = nullptr, bool printSteps = false) {
        const double ms = TimeOneShow(what, window, themed.get(), icons, content, options.cmdLine,
                                      command, measured, printSteps);
        if (ms < 0) ++failures;
        return ms;
    };

    if (options.pairs > 0) {
        // Command and template alternate, A B B A ..., after a warm-up of
        // both, so that whatever slows the machine slows both alike.
        for (int i = 0; i < 3; ++i) {
            show(Shown::Command);
            show(Shown::Template);
        }
        for (int pair = 0; pair < options.pairs; ++pair) {
            const bool commandFirst = pair % 2 == 0;
            double commandMs = 0, templateMs = 0;
            if (commandFirst) {
                commandMs = show(Shown::Command, nullptr, true);
                templateMs = show(Shown::Template, nullptr, true);
            } else {
                templateMs = show(Shown::Template, nullptr, true);
                commandMs = show(Shown::Command, nullptr, true);
            }
            std::printf("pair %d %s command-ms %.3f template-ms %.3f\n", pair,
                        commandFirst ? "AB" : "BA", commandMs, templateMs);
        }
        return failures ? 1 : 0;
    }

    const Shown what = options.templateDialog ? Shown::Template : Shown::Command;
    const ProcessFigures before = MeasureProcess();
    ProcessFigures open;
    std::printf("first-start-ms %.3f\n", show(what, &open, true));
    std::printf("open-adds committed-kb %lld gdi %ld user %ld windows %ld handles %ld\n",
                (open.committed - before.committed) / 1024, open.gdi - before.gdi,
                open.user - before.user, open.windows - before.windows,
                open.handles - before.handles);
    for (int run = 1; run <= options.timedRuns; ++run) {
        std::printf("start-ms %.3f\n", show(what));
    }
    return failures ? 1 : 0;
}

}  // namespace

int main() {
    Options options;
    if (!ParseOptions(options)) {
        std::fprintf(stderr,
                     "usage: VantrelStartBench.exe --dll <path> [--cmdline <number>]"
                     " (--time-start <runs> [--template-dialog] |"
                     " --time-pairs <pairs>) [--reference-icons]\n");
        return 2;
    }
    return vantrel2::host::RunAsHost(options,
                                     [&](HWND window, HMODULE library, _OrvaneVbCommand* command) {
                                         return TimeStarts(options, window, library, command);
                                     });
}
