# Tests that run the Windows code for real under Wine.
add_library(vantrel2_test_support STATIC support/temp_folder.cpp support/window_driver.cpp
                                         support/child_process.cpp support/dialog_session.cpp
                                         support/layout_check.cpp support/host_window.cpp
                                         support/command_fixture.cpp)
target_include_directories(vantrel2_test_support PUBLIC support)
target_link_libraries(vantrel2_test_support PUBLIC vantrel2_core vantrel2_window_search
                                                   GTest::gtest)
target_compile_options(vantrel2_test_support PRIVATE ${VANTREL2_WARNINGS})

# vantrel2_windows_test(name sources... [TEST_PROPERTIES property value ...])
function(vantrel2_windows_test name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "TEST_PROPERTIES")
    add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE vantrel2_test_support GTest::gtest_main)
    target_compile_options(${name} PRIVATE ${VANTREL2_WARNINGS})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 600 ${arg_TEST_PROPERTIES})
endfunction()

vantrel2_windows_test(common_tests
    common/commonModule_test.cpp
    common/SharedState_test.cpp)
# The settings on an English system: the same program under code page 1252.
add_test(NAME CodePage1252.UntickedBoxesComeBackAtTheNextStart
         COMMAND common_tests --gtest_also_run_disabled_tests
                 --gtest_filter=SharedStateLoad.DISABLED_UntickedBoxesComeBackUnderCodePage1252)
set_tests_properties(CodePage1252.UntickedBoxesComeBackAtTheNextStart
                     PROPERTIES ENVIRONMENT VANTREL2_LOCALE=en_US.UTF-8 TIMEOUT 120)

include(${CMAKE_CURRENT_LIST_DIR}/dialog/CMakeLists.txt)
include(${CMAKE_CURRENT_LIST_DIR}/command/CMakeLists.txt)
# The release zip registers the 32-bit DLL with the 32-bit regsvr32: only the
# 32-bit build can try it.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    include(${CMAKE_CURRENT_LIST_DIR}/packaging/CMakeLists.txt)
    # Only the shipped DLL's imports are reviewed.
    add_test(NAME release.imports
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/packaging/imports_test.sh
                     $<TARGET_FILE:Vantrel2> ${TOOLCHAIN_PREFIX}-objdump
                     ${CMAKE_CURRENT_LIST_DIR}/packaging/imports-x86.txt)
else()
    # The 64-bit DLL is built as the shipped one is: the imports that no build
    # may have, and the PE header's hardening.
    add_test(NAME release.imports
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/packaging/imports_test.sh
                     $<TARGET_FILE:Vantrel2> ${TOOLCHAIN_PREFIX}-objdump)
    add_test(NAME release.pe_header
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/packaging/pe_header_test.py
                     $<TARGET_FILE:Vantrel2> $<TARGET_FILE_DIR:Vantrel2>/Vantrel2.map)
endif()
# Signing and the reproducible release need no Wine: every machine runs them.
add_test(NAME release.signature
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/packaging/sign_test.sh $<TARGET_FILE:Vantrel2>
                 ${PROJECT_VERSION} ${VANTREL2_WXS} ${VANTREL2_BUILD_TIME})
add_test(NAME release.reproducible
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/packaging/reproducible_test.sh ${CMAKE_SOURCE_DIR}
                 ${PROJECT_VERSION})
set_tests_properties(release.signature PROPERTIES TIMEOUT 180)
set_tests_properties(release.reproducible PROPERTIES TIMEOUT 900 RUN_SERIAL TRUE)
include(${CMAKE_CURRENT_LIST_DIR}/hardening/CMakeLists.txt)
include(${CMAKE_CURRENT_LIST_DIR}/release/CMakeLists.txt)
