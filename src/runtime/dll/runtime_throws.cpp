// The C++ runtime's helpers that the standard library's inline code calls to
// throw (a string too long, a vector past its size, operator new out of
// memory). The runtime keeps all of them in one object, whose length_error
// and its kin carry their text in a copy-on-write std::string: linking it
// brings both of the runtime's std::string implementations and
// std::random_device, about 80 KB of code and unwind tables, into the DLL.
//
// Defined here, every one of them, so that the runtime's object is never
// linked. Out of memory and the bad_cast kind still throw their own types;
// a failed precondition (length_error and its kin) throws one std::exception
// of this file's with the library's text. Every COM method and window
// procedure maps them as before: E_OUTOFMEMORY for bad_alloc, E_UNEXPECTED
// for anything else. Only the DLL links this file; the test programs keep
// the runtime's own.
#include <bits/functexcept.h>  // the declarations these definitions must match

#include <exception>
#include <new>
#include <typeinfo>

namespace {

// A failed precondition inside the standard library; the text is the
// library's own, as it would be in the runtime's exception.
class LibraryFailure final : public std::exception {
  public:
    explicit LibraryFailure(const char* what) noexcept : what_(what) {}
    const char* what() const noexcept override { return what_ ? what_ : "std::exception"; }

  private:
    const char* what_;
};

}  // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }

void __throw_logic_error(const char* what) { throw LibraryFailure(what); }
void __throw_domain_error(const char* what) { throw LibraryFailure(what); }
void __throw_invalid_argument(const char* what) { throw LibraryFailure(what); }
void __throw_length_error(const char* what) { throw LibraryFailure(what); }
void __throw_out_of_range(const char* what) { throw LibraryFailure(what); }
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryFailure(format); }
void __throw_runtime_error(const char* what) { throw LibraryFailure(what); }
void __throw_range_error(const char* what) { throw LibraryFailure(what); }
void __throw_overflow_error(const char* what) { throw LibraryFailure(what); }
void __throw_underflow_error(const char* what) { throw LibraryFailure(what); }

}  // namespace std
