# Options of every target of ours (not of GoogleTest): C++20, warnings as errors, and the sources' UTF-8 text
# compiled to Windows-1252, the code page of every string the system handles.
# Clang (used only for the fuzz targets) knows no execution character set but UTF-8: its literals stay UTF-8.
function(quibel_options target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -finput-charset=UTF-8)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        target_compile_options(${target} PRIVATE -fexec-charset=CP1252)
    endif()
    # GCC 12 at -O3 reports overlapping copies inside std::string's operator+ that cannot happen: kept as a
    # warning, not an error, so that a build with other optimisation flags still goes through.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
        target_compile_options(${target} PRIVATE -Wno-error=restrict)
    endif()
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# A GoogleTest executable whose tests ctest runs one by one (under Wine in the Windows build):
#   quibel_gtest(target [RESOURCE_LOCK name] sources...)
# Tests that touch one shared place (the desktop of the Wine prefix) name it as their lock, so that ctest -j never
# runs two of them at once.
function(quibel_gtest target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "RESOURCE_LOCK" "")
    add_executable(${target} ${arg_UNPARSED_ARGUMENTS})
    quibel_options(${target})
    target_link_libraries(${target} PRIVATE GTest::gtest_main test_support)
    set(lock "")
    if(arg_RESOURCE_LOCK)
        set(lock RESOURCE_LOCK ${arg_RESOURCE_LOCK})
    endif()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
        PROPERTIES ENVIRONMENT "QUIBEL_SHARED=${QUIBEL_SHARED_DIR}" TIMEOUT 300 ${lock})
endfunction()
