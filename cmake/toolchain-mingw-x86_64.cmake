# Cross build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64,
# binutils-mingw-w64-x86-64): dxf.cnv, the stand-in host as VEXCORE.dll and dxfcnv.exe, the
# runtime twin of the 32-bit DLL that runs under Wine (tests/interop/wine/run_checks.sh).
# Use: cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DXFCNV_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DXFCNV_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${DXFCNV_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${DXFCNV_MINGW_PREFIX}-windres)
set(CMAKE_DLLTOOL ${DXFCNV_MINGW_PREFIX}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${DXFCNV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
