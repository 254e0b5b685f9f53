#include "common/ModuleCounts.h"

#include <atomic>

namespace vantrel2 {
namespace {

std::atomic<long> objects{0};
std::atomic<long> locks{0};

}  // namespace

void ObjectCreated() noexcept { ++objects; }
void ObjectDestroyed() noexcept { --objects; }
void ServerLocked() noexcept { ++locks; }
void ServerUnlocked() noexcept { --locks; }

HRESULT CanUnloadNow() noexcept { return objects == 0 && locks == 0 ? S_OK : S_FALSE; }

}  // namespace vantrel2
