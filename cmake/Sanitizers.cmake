# SPDX-License-Identifier: MIT
# AddressSanitizer + UndefinedBehaviorSanitizer for the whole tree, the engine
# modules included (they are loaded into sanitized processes).
if(VORLAN_SANITIZE)
  set(VORLAN_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
  add_compile_options(${VORLAN_SANITIZER_FLAGS})
  add_link_options(${VORLAN_SANITIZER_FLAGS})
endif()

# The fuzz configuration (clang only): everything is built with libFuzzer's
# coverage instrumentation and the two sanitizers; the fuzz targets in
# tests/fuzz link libFuzzer's main. No window: configure with VORLAN_WITH_QT=OFF.
if(VORLAN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VORLAN_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
