// For scripts/bench.sh: deletes what a path names, as the Execute button
// does with confirmation off, and prints the time the deletion took.
//
//   VantrelDeleteBench.exe <path or pattern> [<settings file>]
//
// The settings file is spared as the Execute button spares the command's.
// Prints "delete-ms <milliseconds> deleted <n> kept <n>". Exit code 0 when
// something was deleted.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "dialog/deletion/file_deletion.h"

int main() {
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!args || count < 2 || count > 3) {
        std::fprintf(stderr, "usage: VantrelDeleteBench.exe <path or pattern> [<settings file>]\n");
        return 2;
    }
    LARGE_INTEGER started{}, ended{}, frequency{};
    ::QueryPerformanceCounter(&started);
    const vantrel2::DeletionOutcome outcome =
        vantrel2::DeleteFilesByPath(args[1], count == 3 ? args[2] : L"");
    ::QueryPerformanceCounter(&ended);
    ::QueryPerformanceFrequency(&frequency);
    ::LocalFree(args);
    std::printf("delete-ms %.3f deleted %u kept %u\n",
                double(ended.QuadPart - started.QuadPart) * 1000.0 / double(frequency.QuadPart),
                outcome.deleted, outcome.kept);
    return outcome.deleted ? 0 : 1;
}
