// What the user is told first of a deletion: the reason of the first file
// reported; S_OK when nothing is reported (all went, or nothing was there).
#pragma once

#include "dialog/deletion/file_deletion.h"

namespace vantrel2::test {

inline HRESULT FirstReported(const DeletionOutcome& outcome) {
    return outcome.reported.empty() ? S_OK : outcome.reported.front().reason;
}

}  // namespace vantrel2::test
