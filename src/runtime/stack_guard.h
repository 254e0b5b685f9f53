// The stack protector's runtime for every image the project builds, in place
// of GCC's libssp: the cookie (__stack_chk_guard) that each protected function
// checks, what a failed check does (__stack_chk_fail, and __chk_fail for the
// checked copies of _FORTIFY_SOURCE), and the image entry points that seed
// the cookie before anything else of the image runs.
//
// libssp seeds its cookie in a constructor with CryptGenRandom, which loads a
// CryptoAPI provider DLL while the loader lock is held, and reports a smashed
// stack by raising an exception that a handler of the host's may swallow.
// Here the seed comes from sources that load nothing, and a failed check ends
// the process at once, calling no handler: STATUS_STACK_BUFFER_OVERRUN, as
// the stack checks of Windows' own compilers do.
#pragma once

namespace vantrel2 {

// Gives the cookie its value for this process. Only from an image's entry
// point, before any protected function has a frame on the stack: a frame
// entered under the old value would fail its check on return.
void SeedStackGuard() noexcept;

}  // namespace vantrel2
