// The one rule for where an exception stops: at every COM method, window and
// dialog procedure, system callback and noexcept function whose work may
// throw (in practice std::bad_alloc). Nothing passes such a boundary.
// Portable: no Windows headers.
#pragma once

#include <utility>

namespace vantrel2 {

// `body()`, or `onException()` when an exception escapes it. `onException`
// runs inside the catch block, so that it can ask what was thrown
// (CurrentExceptionResult); it must not throw itself.
template <typename Body, typename OnException>
auto StopExceptions(Body&& body, OnException&& onException) noexcept -> decltype(body()) {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return std::forward<OnException>(onException)();
    }
}

}  // namespace vantrel2
