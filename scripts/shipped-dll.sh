# The shipped DLL: the 32-bit build in build/windows, whatever build a script
# runs the command or the tests from. Sourced by the scripts, with ROOT set.
#   shipped_dll_build     configures that folder and builds the DLL
#   shipped_dll_exports   its exported names, one a line
#   shipped_dll_imports   the DLLs it imports, one a line
SHIPPED_BUILD="$ROOT/build/windows"
SHIPPED_DLL="$SHIPPED_BUILD/bin/Vantrel2.dll"

shipped_dll_build() {
    cmake -S "$ROOT" --preset windows -B "$SHIPPED_BUILD" >/dev/null
    cmake --build "$SHIPPED_BUILD" -j"$(nproc)" --target Vantrel2
}

shipped_dll_exports() {
    i686-w64-mingw32-objdump -p "$SHIPPED_DLL" |
        sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p'
}

shipped_dll_imports() { i686-w64-mingw32-objdump -p "$SHIPPED_DLL" | sed -n 's/^\s*DLL Name: //p'; }
