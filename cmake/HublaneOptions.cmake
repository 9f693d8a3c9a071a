# One INTERFACE target carries the language level, the warnings and Qt's safety macros.
add_library(hublane_options INTERFACE)
target_compile_features(hublane_options INTERFACE cxx_std_20)
target_compile_options(hublane_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                                 -Wcast-align -Wunused -Woverloaded-virtual)
target_compile_definitions(hublane_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_CAST_TO_ASCII)
set(CMAKE_CXX_EXTENSIONS OFF)

option(HUBLANE_WERROR "Treat warnings as errors" OFF)
if(HUBLANE_WERROR)
  target_compile_options(hublane_options INTERFACE -Werror)
endif()

option(HUBLANE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(HUBLANE_SANITIZE)
  target_compile_options(hublane_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                   -fno-sanitize-recover=undefined)
  target_link_options(hublane_options INTERFACE -fsanitize=address,undefined)
endif()

# ThreadSanitizer: the tests whose workers, campaigns and peer server run on threads of their own
# (scripts/test tsan builds and runs only those). It cannot go with the address sanitizer.
option(HUBLANE_SANITIZE_THREAD "Build with ThreadSanitizer" OFF)
if(HUBLANE_SANITIZE_THREAD)
  if(HUBLANE_SANITIZE)
    message(FATAL_ERROR "HUBLANE_SANITIZE and HUBLANE_SANITIZE_THREAD exclude each other")
  endif()
  target_compile_options(hublane_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(hublane_options INTERFACE -fsanitize=thread)
endif()
