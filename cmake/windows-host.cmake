# The whole host for Windows (the 64-bit MinGW build, run under Wine by tests/interop/wine/run_checks.sh):
#   VEXCORE.dll  the stand-in host map library, without its own Win32 subset: windows, messages,
#                message boxes, global memory, the registry, OpenFile, the dialog manager and the
#                string table are the system's;
#   dxf.cnv      the module, from the same sources and resources as the 32-bit DLL;
#   dxfcnv.exe   the command-line host, loading dxf.cnv with LoadLibraryA and GetProcAddress.
# Everything links its C++ runtime statically, so the three files need no MinGW DLL beside them.

# nlohmann/json and CLI11 are header-only; the cross compiler sees just their folders of the
# system headers.
set(DXFCNV_HEADER_ONLY_INCLUDE ${CMAKE_CURRENT_BINARY_DIR}/header-only-include)
file(MAKE_DIRECTORY ${DXFCNV_HEADER_ONLY_INCLUDE})
find_path(DXFCNV_JSON_HEADERS nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
  NO_DEFAULT_PATH REQUIRED)
file(CREATE_LINK ${DXFCNV_JSON_HEADERS}/nlohmann ${DXFCNV_HEADER_ONLY_INCLUDE}/nlohmann SYMBOLIC)
find_path(DXFCNV_CLI11_HEADERS CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
  NO_DEFAULT_PATH)
if(NOT DXFCNV_CLI11_HEADERS)
  message(FATAL_ERROR "CLI11 not found (CLI/CLI.hpp): dxfcnv.exe reads its arguments with this "
    "header-only library (Debian: apt-get install libcli11-dev; scripts/install-deps.sh --build)")
endif()
file(CREATE_LINK ${DXFCNV_CLI11_HEADERS}/CLI ${DXFCNV_HEADER_ONLY_INCLUDE}/CLI SYMBOLIC)

set(DXFCNV_STATIC_RUNTIME -static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>)

# VEXCORE.dll. The stand-in's Win32 subset and its resource-file reader stay out: the module
# calls the system for those.
file(GLOB VEXCORE_SOURCES CONFIGURE_DEPENDS standin/*.cpp)
list(REMOVE_ITEM VEXCORE_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/standin/global_memory.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/standin/registry.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/standin/open_file.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/standin/dialog.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/standin/dialog_resources.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/standin/resource_file.cpp)
add_library(vexcore SHARED ${VEXCORE_SOURCES})
target_include_directories(vexcore PUBLIC src ${CMAKE_CURRENT_SOURCE_DIR})
target_include_directories(vexcore PRIVATE ${DXFCNV_HEADER_ONLY_INCLUDE})
target_compile_definitions(vexcore PRIVATE VEXCORE_BUILD)
set_target_properties(vexcore PROPERTIES OUTPUT_NAME "VEXCORE" PREFIX "")
target_link_options(vexcore PRIVATE ${DXFCNV_STATIC_RUNTIME})
target_link_libraries(vexcore PRIVATE user32 kernel32)

# dxf.cnv: the six operations by their plain names. Without __stdcall decoration in a 64-bit
# build, the 32-bit definition file's "= NAME@N" aliases fall away.
file(READ src/module/dxf.def DXFCNV_DEF_TEXT)
string(REGEX REPLACE " = [A-Za-z]+@[0-9]+" "" DXFCNV_DEF_TEXT "${DXFCNV_DEF_TEXT}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/dxf64.def "${DXFCNV_DEF_TEXT}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS src/module/dxf.def)
add_library(dxfcnv SHARED ${MODULE_SOURCES} src/options/dxf.rc
  ${CMAKE_CURRENT_BINARY_DIR}/dxf64.def)
target_include_directories(dxfcnv PRIVATE src)
set_target_properties(dxfcnv PROPERTIES OUTPUT_NAME "dxf" PREFIX "" SUFFIX ".cnv")
target_link_options(dxfcnv PRIVATE ${DXFCNV_STATIC_RUNTIME})
target_link_libraries(dxfcnv PRIVATE vexcore user32 kernel32 advapi32)

# dxfcnv.exe: the CLI without its terminal dialog; "options" shows the real dialog.
file(GLOB APP_SOURCES CONFIGURE_DEPENDS app/*.cpp)
list(REMOVE_ITEM APP_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/app/terminal_dialog.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/app/terminal_dialog_screen.cpp)
add_executable(dxfcnv_cli ${APP_SOURCES})
set_target_properties(dxfcnv_cli PROPERTIES OUTPUT_NAME dxfcnv)
target_include_directories(dxfcnv_cli PRIVATE ${DXFCNV_HEADER_ONLY_INCLUDE})
target_link_options(dxfcnv_cli PRIVATE ${DXFCNV_STATIC_RUNTIME})
target_link_libraries(dxfcnv_cli PRIVATE vexcore user32 kernel32 advapi32)
add_dependencies(dxfcnv_cli dxfcnv)

# The test host of tests/interop/wine/run_checks.sh that drives dialog 129 as the system shows it.
add_executable(wine_dialog_host tests/interop/wine/dialog_host.cpp)
target_include_directories(wine_dialog_host PRIVATE src ${CMAKE_CURRENT_SOURCE_DIR})
target_link_options(wine_dialog_host PRIVATE ${DXFCNV_STATIC_RUNTIME})
target_link_libraries(wine_dialog_host PRIVATE vexcore user32 gdi32 kernel32)
add_dependencies(wine_dialog_host dxfcnv)
