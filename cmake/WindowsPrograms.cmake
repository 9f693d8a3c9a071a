# The Windows programs a Linux build carries: hublane-handoff.exe, which the hand-off runs under
# Wine in the client's prefix, and the tests' fake client. Each architecture whose mingw-w64
# compiler is installed is cross-built (without Qt) into bin/win64/ or bin/win32/:
#   x86_64-w64-mingw32-g++-posix for 64-bit prefixes, i686-w64-mingw32-g++-posix for 32-bit ones.
# The cross build trees stay in <build>/win64 and <build>/win32, where scripts/test also builds
# and runs their tests under Wine.
if(WIN32)
  return()
endif()
set(HUBLANE_WINDOWS_PROGRAMS "AUTO" CACHE STRING "Cross-build hublane-handoff.exe: AUTO (when mingw-w64 is here), ON or OFF")
set_property(CACHE HUBLANE_WINDOWS_PROGRAMS PROPERTY STRINGS AUTO ON OFF)
if(HUBLANE_WINDOWS_PROGRAMS STREQUAL "OFF")
  return()
endif()

include(ExternalProject)
set(HUBLANE_WINDOWS_ARCHS "")
foreach(arch IN ITEMS x86_64 i686)
  if(arch STREQUAL "x86_64")
    set(folder win64)
  else()
    set(folder win32)
  endif()
  find_program(HUBLANE_MINGW_CXX_${arch} ${arch}-w64-mingw32-g++-posix)
  if(NOT HUBLANE_MINGW_CXX_${arch})
    if(HUBLANE_WINDOWS_PROGRAMS STREQUAL "ON")
      message(FATAL_ERROR "${arch}-w64-mingw32-g++-posix not found (HUBLANE_WITH_WINE=1 scripts/install-deps)")
    endif()
    message(STATUS "No ${arch}-w64-mingw32-g++-posix: no ${folder}/hublane-handoff.exe")
    continue()
  endif()
  list(APPEND HUBLANE_WINDOWS_ARCHS ${folder})
  ExternalProject_Add(hublane_windows_${folder}
    SOURCE_DIR "${PROJECT_SOURCE_DIR}"
    BINARY_DIR "${PROJECT_BINARY_DIR}/${folder}"
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-${arch}.cmake
      -DCMAKE_BUILD_TYPE=RelWithDebInfo
      -DHUBLANE_WITH_QT=OFF
      -DHUBLANE_WERROR=${HUBLANE_WERROR}
      -DHUBLANE_WIN_PROGRAM_DIR=${HUBLANE_BIN_DIR}/${folder}
    # Only the two programs here; their tests are built and run by scripts/test.
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target hublane-handoff hublane-fakedonkey --parallel 1
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS "${HUBLANE_BIN_DIR}/${folder}/hublane-handoff.exe" "${HUBLANE_BIN_DIR}/${folder}/hublane-fakedonkey.exe")
  add_dependencies(hublane hublane_windows_${folder})
  add_dependencies(hublanectl hublane_windows_${folder})
  # Installed below lib/hublane, where an installed program looks for them.
  install(PROGRAMS "${HUBLANE_BIN_DIR}/${folder}/hublane-handoff.exe" DESTINATION lib/hublane/${folder})
endforeach()
