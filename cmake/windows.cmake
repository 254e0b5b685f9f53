# The 32-bit Windows build: the DLL, the stand-ins, and the tests run under Wine.
enable_language(RC)

# No MinGW runtime DLL beside anything we build: the C and C++ runtimes and
# winpthreads are linked in.
add_link_options(-static -static-libgcc -static-libstdc++)
# Optimised for size (MinSizeRel) and with one section per function, so that
# the linker's --gc-sections keeps the DLL small.
add_compile_options(-ffunction-sections -fdata-sections)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601
                        WINVER=0x0601)

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Everything cross-built runs under Wine in a private prefix in the build
# folder, in the Japanese code page: 32-bit Wine for the 32-bit build, 64-bit
# Wine for the 64-bit one.
set(VANTREL2_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# What differs between the 32-bit build (shipped) and the 64-bit one (tests
# on machines that run no 32-bit code): Wine, widl's target and the
# manifest's architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VANTREL2_WINEARCH win64)
    set(VANTREL2_WINE /usr/lib/wine/wine64)
    set(VANTREL2_WIDL_TARGET --win64 -L /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
    set(VANTREL2_MANIFEST_ARCH amd64)
else()
    set(VANTREL2_WINEARCH win32)
    set(VANTREL2_WINE wine)
    set(VANTREL2_WIDL_TARGET --win32 -L /usr/lib/i386-linux-gnu/wine/i386-windows)
    set(VANTREL2_MANIFEST_ARCH x86)
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-env.sh.in ${CMAKE_BINARY_DIR}/wine-env.sh @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE
               @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

add_subdirectory(src)
add_subdirectory(tools)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)
add_subdirectory(tests)

# The zip a Windows user installs: cmake --build <build> --target release
add_custom_target(release
    COMMAND bash ${CMAKE_SOURCE_DIR}/packaging/make-release.sh $<TARGET_FILE:Vantrel2>
            ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/release
    DEPENDS Vantrel2
    COMMENT "Packing Vantrel2-${PROJECT_VERSION}.zip")
