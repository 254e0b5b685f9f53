# The 32-bit Windows build: the DLL, the stand-ins, and the tests run under Wine.
enable_language(RC)

# No MinGW runtime DLL beside anything we build: the C and C++ runtimes and
# winpthreads are linked in.
add_link_options(-static -static-libgcc -static-libstdc++)
# Optimised for size (MinSizeRel) and with one section per function, so that
# the linker's --gc-sections keeps the DLL small.
add_compile_options(-ffunction-sections -fdata-sections)
# A stack cookie in every function with an array or an address taken, and
# the checked variants of the C library's copies. Their runtime (src/runtime) is
# the project's own; -fstack-protector goes to the compiler only, since at
# the link it would add GCC's libssp.
add_compile_options(-fstack-protector-strong -D_FORTIFY_SOURCE=2)
# The same bytes from every build of a commit: no link time in the image and
# no build folder in it.
add_link_options(-Wl,--no-insert-timestamp)
if(NOT VANTREL2_COVERAGE)  # the counters' files must keep their full paths
    add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
endif()
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601
                        WINVER=0x0601)

# Every image starts at the entry point of the runtime's stand-ins
# (src/runtime), which seeds the stack cookie before the C runtime's entry
# point runs anything else.
add_link_options(
    "$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,SHARED_LIBRARY>:-Wl,--entry=vantrel2_dll_entry>"
    "$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-Wl,--entry=vantrel2_exe_entry>")

# The byte-level steps of a reproducible build and release, the build time
# they share, and the package's WiX source with the identifiers filled in.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(VANTREL2_FIXUP ${CMAKE_SOURCE_DIR}/cmake/fixup.py)
set(VANTREL2_BUILD_TIME ${CMAKE_BINARY_DIR}/build-time.txt)
set(VANTREL2_WXS ${CMAKE_BINARY_DIR}/packaging/Vantrel2.wxs)

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

include(${CMAKE_CURRENT_LIST_DIR}/windows-arch.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

# GoogleTest from Debian's sources, built with the compiler but not with our
# warnings.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
get_directory_property(ours LINK_LIBRARIES)
set_directory_properties(PROPERTIES LINK_LIBRARIES "")
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES LINK_LIBRARIES "${ours}")
include(GoogleTest)

# The zip, the MSI and their checksums: cmake --build <build> --target release
# (scripts/release.sh does it from a fresh clone).
add_custom_target(release
    COMMAND ${CMAKE_COMMAND} -E env PYTHON=${Python3_EXECUTABLE}
            bash ${CMAKE_SOURCE_DIR}/packaging/make-release.sh $<TARGET_FILE:Vantrel2>
            ${PROJECT_VERSION} ${VANTREL2_WXS} ${VANTREL2_BUILD_TIME} ${CMAKE_BINARY_DIR}/release
    DEPENDS Vantrel2 vantrel2_idl
    COMMENT "Packing Vantrel2-${PROJECT_VERSION}.zip and .msi")
