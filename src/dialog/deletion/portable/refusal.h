// Something a deletion run could not do that the user asked for, in the one
// vocabulary the deletion, the run and its report share.
// Portable: no Windows headers.
#pragma once

#include <string>

namespace vantrel2 {

// A file that stays, a pattern's folder whose files stay, or settings that
// were not saved, with why (the system's words where it has them).
struct Refusal {
    enum class Kind {
        NotDeleted,
        Spared,           // the settings file, which a pattern never deletes; no reason
        NotSaved,         // the settings file could not be written
        ThroughLink,      // a pattern's folder is a link: `path` the link, `reason` its target
        Unverified,       // a folder on a pattern's way could not be checked for a link
        SettingsUnknown,  // the settings file, in a pattern's folder, could not be identified
    };
    Kind kind;
    std::wstring path;
    std::wstring reason;
};

}  // namespace vantrel2
