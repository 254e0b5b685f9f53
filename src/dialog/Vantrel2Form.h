// The deletion dialog, kept by start-up in SharedState::DialogInstance.
#pragma once

#include <memory>

#include "SharedState.h"

namespace vantrel2 {

inline constexpr wchar_t kVantrel2FormCaption[] = L"各種履歴･情報ファイル削除";

std::unique_ptr<ModalDialog> CreateVantrel2Form();

}  // namespace vantrel2
