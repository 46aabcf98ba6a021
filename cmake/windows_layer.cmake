# What both Windows builds compile: the Windows layer's sources with the
# core's, the type library, and the flags and libraries of the DLL.
add_compile_options(-Wall -Wextra -Wno-cast-function-type)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0600 WINVER=0x0600 _WIN32_IE=0x0600)
set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

file(GLOB DLL_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/win/*.cpp
    ${CMAKE_SOURCE_DIR}/widgets/*.cpp
    ${CMAKE_SOURCE_DIR}/toolbar/*.cpp
    ${CMAKE_SOURCE_DIR}/band/*.cpp)
list(REMOVE_ITEM DLL_SOURCES ${CMAKE_SOURCE_DIR}/band/terminate_handler.cpp)

# The empty type library, compiled by widl and bound into the resources.
set(TLB ${CMAKE_BINARY_DIR}/DeskBand.tlb)
add_custom_command(OUTPUT ${TLB}
    COMMAND i686-w64-mingw32-widl -t -o ${TLB} ${CMAKE_SOURCE_DIR}/resources/deskband.idl
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/deskband.idl)
add_custom_target(typelib DEPENDS ${TLB})

# The event texts: windmc makes the message table (8-bit texts) and the
# script that binds it, which resources/toolbar.rc includes.
set(EVENT_RC ${CMAKE_BINARY_DIR}/events.rc)
add_custom_command(OUTPUT ${EVENT_RC} ${CMAKE_BINARY_DIR}/events.bin
    COMMAND i686-w64-mingw32-windmc -A -h ${CMAKE_BINARY_DIR} -r ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}/resources/events.mc
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/events.mc)
add_custom_target(event_messages DEPENDS ${EVENT_RC})

# Everything but the resources and exports, also linked into the Wine tests
# so that the widgets and the toolkit can be tested from inside.
add_library(vtb_win OBJECT ${CORE_SOURCES} ${DLL_SOURCES})
target_include_directories(vtb_win PUBLIC ${CMAKE_SOURCE_DIR})
# Built for size, each function and datum in a section of its own so that
# the linker drops what nothing uses (-Os measured no slower here).
set(SIZE_FLAGS -Os -ffunction-sections -fdata-sections)
target_compile_options(vtb_win PRIVATE ${SIZE_FLAGS})
set(WIN_LIBS ole32 oleaut32 uuid comctl32 gdi32 user32 advapi32 version shell32 shlwapi)
