// The C++ runtime's default terminate handler prints the demangled type of
// the escaping exception, which links a 46 KB demangler into the DLL. Every
// COM method and window procedure catches everything, so terminate means a
// broken invariant: end the process at once, as the default would after
// printing.
#include <cstdlib>

namespace __gnu_cxx {
// NOLINTNEXTLINE(bugprone-reserved-identifier) // the runtime's own handler, replaced
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
