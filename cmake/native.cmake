# Native build of the portable logic under AddressSanitizer and UBSan, and the
# libFuzzer targets (clang only).
set(VANTREL2_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
add_subdirectory(src)
target_compile_options(vantrel2_portable PRIVATE ${VANTREL2_SANITIZERS})

find_package(GTest REQUIRED)
include(GoogleTest)
add_subdirectory(tests)

if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_subdirectory(tests/fuzz)
endif()
