# What differs between the 32-bit build (shipped) and the 64-bit one (tests on
# machines that run no 32-bit code): Wine, widl's target, the manifest's
# architecture, and the two scripts through which everything cross-built is
# started under Wine (wine-env.sh, wine-run.sh).
#
# Included by windows.cmake. Also run on its own, so that the scripts' Wine
# plumbing can be tried for either build on any machine:
#   cmake -DVANTREL2_POINTER_SIZE=4 -DVANTREL2_BINARY_DIR=<folder> -P windows-arch.cmake
if(NOT DEFINED VANTREL2_POINTER_SIZE)
    set(VANTREL2_POINTER_SIZE ${CMAKE_SIZEOF_VOID_P})
endif()
if(NOT DEFINED VANTREL2_BINARY_DIR)
    set(VANTREL2_BINARY_DIR ${CMAKE_BINARY_DIR})
endif()

if(VANTREL2_POINTER_SIZE EQUAL 8)
    set(VANTREL2_WINEARCH win64)
    set(VANTREL2_WINE /usr/lib/wine/wine64)
    set(VANTREL2_WIDL_TARGET --win64 -L /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
    set(VANTREL2_MANIFEST_ARCH amd64)
else()
    # Debian's /usr/bin/wine starts the 32-bit loader.
    set(VANTREL2_WINEARCH win32)
    set(VANTREL2_WINE wine)
    set(VANTREL2_WIDL_TARGET --win32 -L /usr/lib/i386-linux-gnu/wine/i386-windows)
    set(VANTREL2_MANIFEST_ARCH x86)
endif()

# Everything cross-built runs under Wine in a private prefix in the build
# folder, in the Japanese code page unless the caller picks another locale.
set(VANTREL2_WINEPREFIX ${VANTREL2_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-env.sh.in ${VANTREL2_BINARY_DIR}/wine-env.sh @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${VANTREL2_BINARY_DIR}/wine-run.sh
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE
               @ONLY)
