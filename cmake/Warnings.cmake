# SPDX-License-Identifier: MIT
# Every target of the project compiles with the same warnings. They become
# errors only when VORLAN_WERROR is on (test.sh and CI turn it on): a newer
# compiler's new warning must not break a user's or a distribution's build.
option(VORLAN_WERROR "Treat compiler warnings as errors" OFF)
set(VORLAN_WERROR_FLAG "")
if(VORLAN_WERROR)
  set(VORLAN_WERROR_FLAG -Werror)
endif()

function(vorlan_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic ${VORLAN_WERROR_FLAG}
    -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Wunused
    -Woverloaded-virtual -Wconversion -Wsign-conversion -Wnull-dereference
    -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
endfunction()

# C sources (the engine modules' exports) get the C subset of the list.
function(vorlan_c_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic ${VORLAN_WERROR_FLAG})
endfunction()
