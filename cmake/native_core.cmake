# The native build: the portable core, its tests, fuzz targets and
# benchmarks, and the configuration checker (tools/native_tests.sh).
option(VTB_SANITIZE "Build with AddressSanitizer and UBSan" OFF)
option(VTB_FUZZ "Build the libFuzzer targets (clang)" OFF)
add_compile_options(-Wall -Wextra)
if(VTB_SANITIZE OR VTB_FUZZ)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
endif()
if(VTB_FUZZ)
    # The code under test gets the fuzzer's coverage counters too, not
    # only the targets' own files: without them it fuzzes blind.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

add_library(vtb_core STATIC ${CORE_SOURCES})
target_include_directories(vtb_core PUBLIC ${CMAKE_SOURCE_DIR})
find_package(Threads REQUIRED)
target_link_libraries(vtb_core PUBLIC Threads::Threads)

if(VTB_FUZZ)
    file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*.cpp)
    foreach(src ${FUZZ_SOURCES})
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${name} PRIVATE vtb_core)
    endforeach()
else()
    enable_testing()
    find_package(GTest REQUIRED)
    file(GLOB CORE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/core/*.cpp)
    add_executable(core_tests ${CORE_TEST_SOURCES})
    target_link_libraries(core_tests PRIVATE vtb_core GTest::gtest GTest::gtest_main)
    add_test(NAME core_tests COMMAND core_tests)

    file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/native/*.cpp)
    foreach(src ${BENCH_SOURCES})
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        target_link_libraries(${name} PRIVATE vtb_core)
    endforeach()
endif()

# ---- Configuration checker (native) -------------------------------------
# core/check/: the checker's portable part, kept out of the DLL; vtbcheck:
# the operators' command; its tests join core_tests, its fuzz target the
# fuzz build.
file(GLOB CHECK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/core/check/*.cpp)
add_library(vtb_check STATIC ${CHECK_SOURCES})
target_link_libraries(vtb_check PUBLIC vtb_core)
if(TARGET core_tests)
    target_link_libraries(core_tests PRIVATE vtb_check)
    target_compile_definitions(core_tests PRIVATE VTB_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    add_executable(vtbcheck ${VTBCHECK_SOURCES} ${CMAKE_SOURCE_DIR}/tools/vtbcheck/preview_posix.cpp
        ${CMAKE_SOURCE_DIR}/tools/vtbcheck/code_pages_posix.cpp)
    target_link_libraries(vtbcheck PRIVATE vtb_check)
endif()
if(TARGET fuzz_check)
    target_link_libraries(fuzz_check PRIVATE vtb_check)
endif()
# ---- end of the configuration checker -----------------------------------
