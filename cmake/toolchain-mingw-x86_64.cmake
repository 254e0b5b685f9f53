# 64-bit Windows: the same code and tests for machines whose kernel runs no
# 32-bit code, where the tests run under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
