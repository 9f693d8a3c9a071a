# Toolchain of the Windows cross build (x86_64) with Debian's mingw-w64 compilers (the -posix ones,
# which have std::thread). Programs are linked statically, so they need no compiler DLL beside
# them; the tests run under Wine through WineRun.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HUBLANE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HUBLANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HUBLANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${HUBLANE_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${HUBLANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/WineRun.sh")
# GCC 12 warns of overlapping copies inside std::string where none can happen (GCC bug 105329);
# the warning, not the code, is wrong, and warnings are errors here.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
