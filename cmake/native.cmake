# Native build of the portable logic under AddressSanitizer and UBSan, and the
# libFuzzer targets (clang only).
set(VANTREL2_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
if(NOT VANTREL2_COVERAGE)  # the coverage build is GCC's, without them
    add_compile_options(${VANTREL2_SANITIZERS})
    add_link_options(${VANTREL2_SANITIZERS})
endif()

find_package(GTest REQUIRED)
include(GoogleTest)
