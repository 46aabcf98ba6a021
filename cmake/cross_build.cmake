# The cross build: the Wine tests, the Wine benchmarks, the demonstration
# browser, the installer's tests and the checker's Windows tools, all with the
# posix thread model. The shipped DLL comes from a build of its own
# (cmake/shipped_dll.cmake) with the win32 model, run here in cross/shipped;
# its DLL and unwind/ folder are copied up to this tree.
include(ExternalProject)
# The build processes: tools/common.sh passes its JOBS.
if(NOT VTB_JOBS)
    cmake_host_system_information(RESULT VTB_JOBS QUERY NUMBER_OF_LOGICAL_CORES)
endif()
ExternalProject_Add(shipped_dll
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/shipped
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-i686-mingw-win32.cmake
               -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DVTB_SHIPPED_DLL_ONLY=ON
               -DVTB_BUILD_NUMBER=${VTB_BUILD_NUMBER}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target Veltrane_ToolBar --parallel ${VTB_JOBS}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ${CMAKE_COMMAND} -E copy_if_different <BINARY_DIR>/Veltrane_ToolBar.dll ${CMAKE_BINARY_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy_directory <BINARY_DIR>/unwind ${CMAKE_BINARY_DIR}/unwind
    USES_TERMINAL_BUILD ON)
# What the tests, tools and installers depend on.
add_custom_target(Veltrane_ToolBar DEPENDS shipped_dll)

# GoogleTest, cross-built from Debian's sources.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB WINE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*.cpp)
add_executable(wine_tests ${WINE_TEST_SOURCES} $<TARGET_OBJECTS:vtb_win>)
# vtb_version.h: the version the DLL is built with.
target_include_directories(wine_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
# oleacc: the tests read the toolbar as a screen reader does.
target_link_libraries(wine_tests PRIVATE gtest ${WIN_LIBS} ws2_32 oleacc)
target_compile_definitions(wine_tests PRIVATE VTB_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_options(wine_tests PRIVATE ${STATIC_RUNTIME})
add_dependencies(wine_tests Veltrane_ToolBar)

file(GLOB FRAME_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/browser_frame/*.cpp)
if(FRAME_SOURCES)
    add_executable(browser_frame WIN32 ${FRAME_SOURCES} ${CMAKE_SOURCE_DIR}/tools/browser_frame/browser_frame.rc)
    target_include_directories(browser_frame PRIVATE ${CMAKE_SOURCE_DIR})
    # The manifest: DPI-aware, as the browser is.
    target_compile_options(browser_frame PRIVATE $<$<COMPILE_LANGUAGE:RC>:-I${CMAKE_SOURCE_DIR}/resources>)
    target_link_libraries(browser_frame PRIVATE ole32 oleaut32 uuid comctl32 gdi32 user32 advapi32 shell32)
    target_link_options(browser_frame PRIVATE ${STATIC_RUNTIME})
endif()

file(GLOB WINE_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/wine/*.cpp)
foreach(src ${WINE_BENCH_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    # With the Windows layer's objects, so that a benchmark can time its classes.
    add_executable(${name} ${src} $<TARGET_OBJECTS:vtb_win>)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${WIN_LIBS})
    target_link_options(${name} PRIVATE ${STATIC_RUNTIME})
endforeach()

# The installer's tests: one GoogleTest program that runs the setup and the
# uninstaller under Wine (tests/installer/run_installer_tests.sh) and also
# plays the browser and the system's icacls for them.
file(GLOB INSTALLER_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/installer/*.cpp)
add_executable(installer_tests ${INSTALLER_TEST_SOURCES}
    ${CMAKE_SOURCE_DIR}/tests/wine/support_site.cpp
    ${CMAKE_SOURCE_DIR}/tests/wine/support_user_data.cpp
    ${CMAKE_SOURCE_DIR}/tests/wine/support_wine.cpp
    ${CMAKE_SOURCE_DIR}/win/handles.cpp
    ${CMAKE_SOURCE_DIR}/win/code_page.cpp
    ${CMAKE_SOURCE_DIR}/core/code_page.cpp)
target_include_directories(installer_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
target_link_libraries(installer_tests PRIVATE gtest ole32 oleaut32 uuid user32 advapi32 version shell32 shlwapi msi)
target_link_options(installer_tests PRIVATE ${STATIC_RUNTIME})

# ---- Configuration checker (cross) ------------------------------------------
# vtbcheck.exe for operators on Windows, from the same sources as the Linux
# vtbcheck; vtbpreview.exe, which paints the toolbar with the DLL for
# vtbcheck --preview; make_font_table.exe, which measured the button font.
file(GLOB CHECK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/core/check/*.cpp)
add_library(vtb_check_win STATIC ${CORE_SOURCES} ${CHECK_SOURCES})
target_include_directories(vtb_check_win PUBLIC ${CMAKE_SOURCE_DIR})

add_executable(vtbcheck ${VTBCHECK_SOURCES} ${CMAKE_SOURCE_DIR}/tools/vtbcheck/preview_windows.cpp
    ${CMAKE_SOURCE_DIR}/tools/vtbcheck/code_pages_windows.cpp ${CMAKE_SOURCE_DIR}/win/code_page.cpp)
target_link_libraries(vtbcheck PRIVATE vtb_check_win)
target_link_options(vtbcheck PRIVATE ${STATIC_RUNTIME})

add_executable(vtbpreview
    ${CMAKE_SOURCE_DIR}/tools/vtbcheck/preview/vtbpreview.cpp
    ${CMAKE_SOURCE_DIR}/tools/vtbcheck/preview/preview_site.cpp
    ${CMAKE_SOURCE_DIR}/tools/vtbcheck/preview/vtbpreview.rc)
target_compile_options(vtbpreview PRIVATE $<$<COMPILE_LANGUAGE:RC>:-I${CMAKE_SOURCE_DIR}/resources>)
target_link_libraries(vtbpreview PRIVATE vtb_check_win ole32 oleaut32 uuid user32 gdi32 advapi32)
target_link_options(vtbpreview PRIVATE ${STATIC_RUNTIME})
add_dependencies(vtbpreview Veltrane_ToolBar)

# The Wine tests hold the font table against GDI's own measurements.
target_sources(wine_tests PRIVATE ${CMAKE_SOURCE_DIR}/core/check/button_font.cpp
    ${CMAKE_SOURCE_DIR}/core/check/button_font_table.cpp)

# The packages' check of a firm's configuration at installation: the
# checker's core in a DLL the Windows Installer package runs as a custom
# action and the setup program calls.
add_library(vtb_config_check SHARED ${CMAKE_SOURCE_DIR}/installer/config_check/config_check.cpp
    ${CMAKE_SOURCE_DIR}/installer/config_check/vtb_config_check.def)
set_target_properties(vtb_config_check PROPERTIES PREFIX "")
target_link_libraries(vtb_config_check PRIVATE vtb_check_win msi)
target_link_options(vtb_config_check PRIVATE ${STATIC_RUNTIME} -Wl,--kill-at -Wl,--enable-stdcall-fixup -s)

add_executable(make_font_table ${CMAKE_SOURCE_DIR}/tools/vtbcheck/make_font_table.cpp)
target_include_directories(make_font_table PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(make_font_table PRIVATE gdi32)
target_link_options(make_font_table PRIVATE ${STATIC_RUNTIME})
# ---- end of the configuration checker ---------------------------------------
