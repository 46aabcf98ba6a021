# The shipped DLL, alone in a tree of its own (cross/shipped, configured by
# cmake/cross_build.cmake with VTB_SHIPPED_DLL_ONLY) with the win32 thread
# model (cmake/toolchain-i686-mingw-win32.cmake): its runtime brings no
# threading library, which the posix model links in whole (about 27 KB).
add_library(Veltrane_ToolBar SHARED $<TARGET_OBJECTS:vtb_win>
    ${CMAKE_SOURCE_DIR}/band/terminate_handler.cpp
    ${CMAKE_SOURCE_DIR}/resources/toolbar.rc
    ${CMAKE_SOURCE_DIR}/band/Veltrane_ToolBar.def)
add_dependencies(Veltrane_ToolBar typelib event_messages)
set_target_properties(Veltrane_ToolBar PROPERTIES PREFIX "" OUTPUT_NAME Veltrane_ToolBar)
target_include_directories(Veltrane_ToolBar PRIVATE ${CMAKE_SOURCE_DIR})
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/toolbar.rc PROPERTIES
    OBJECT_DEPENDS "${TLB};${EVENT_RC};${CMAKE_BINARY_DIR}/vtb_version.h;${CMAKE_SOURCE_DIR}/resources/resource_ids.h;${CMAKE_SOURCE_DIR}/resources/search.bmp;${CMAKE_SOURCE_DIR}/resources/settings.bmp")
target_compile_options(Veltrane_ToolBar PRIVATE $<$<COMPILE_LANGUAGE:RC>:-I${CMAKE_BINARY_DIR} -I${CMAKE_SOURCE_DIR}/resources>)
target_compile_options(Veltrane_ToolBar PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${SIZE_FLAGS}>)
# Optimised as one program at the link (about 23 KB smaller): the code is
# compiled to GCC's intermediate form and made machine code, for size, when
# the DLL is linked. One partition: GCC 12 crashed on this code with its
# default partitioning. The Wine tests link the same sources compiled the
# usual way, in the cross tree.
set(LTO_FLAGS -flto -flto-partition=none)
target_compile_options(vtb_win PRIVATE ${LTO_FLAGS})
target_compile_options(Veltrane_ToolBar PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${LTO_FLAGS}>)
# Shipped stripped: unused sections dropped, no symbols.
# As a whole program: the linker cannot tell GCC which of a DLL's functions
# only the DLL itself calls, so without it every function of the sources
# stays, called or not (test hooks, unused setters).
target_link_options(Veltrane_ToolBar PRIVATE ${STATIC_RUNTIME} ${LTO_FLAGS} -fwhole-program ${SIZE_FLAGS} -Wl,--enable-stdcall-fixup
    -Wl,--kill-at -Wl,--gc-sections -s)
# The linker's own script keeps every inline function's unwind entry and with
# it the function, called or not: the link runs in rounds that keep the
# entries of exactly the functions the DLL keeps. unwind/ holds an unstripped
# copy and the link maps for tests/unwind/.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set_target_properties(Veltrane_ToolBar PROPERTIES RULE_LAUNCH_LINK
    "${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/link_unwind_gc.py ${CMAKE_BINARY_DIR}/unwind --")
set_property(TARGET Veltrane_ToolBar APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/tools/link_unwind_gc.py)
target_link_libraries(Veltrane_ToolBar PRIVATE ${WIN_LIBS})
