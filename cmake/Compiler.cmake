# Compiler settings shared by every target of the project.

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

# -Woverloaded-virtual: a derived function that hides a virtual of the
# same name instead of overriding it fails the build (callers through the
# base would silently run the base's version).
add_compile_options(-Wall -Wextra -Woverloaded-virtual)
if(TESSALY_WERROR)
  add_compile_options(-Werror)
endif()

if(TESSALY_SANITIZE AND TESSALY_THREAD_SANITIZER)
  message(FATAL_ERROR "TESSALY_SANITIZE and TESSALY_THREAD_SANITIZER exclude each other")
endif()

# Line tables are all a backtrace or a sanitizer report needs; full debug
# information made a quarter of the optimised build's compile time.
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O2 -g1 -DNDEBUG")
set(CMAKE_C_FLAGS_RELWITHDEBINFO "-O2 -g1 -DNDEBUG")

if(TESSALY_THREAD_SANITIZER)
  add_compile_options(-fsanitize=thread -O1 -fno-omit-frame-pointer -g1)
  add_link_options(-fsanitize=thread)
endif()

# The address and undefined-behaviour sanitizers instrument the project's
# own code, at -O1 to keep the run short and with its assertions on. The
# tests' own code (tests/ drops these options) compiles exactly as in the
# optimised build, so ccache serves those objects from it: instrumenting
# the assertion macros doubled what a test file cost to compile, and the
# code under test is what the sanitizers are there to watch.
set(TESSALY_SANITIZER_COMPILE_OPTIONS
    -fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer -O1 -g1 -UNDEBUG)
if(TESSALY_SANITIZE)
  add_compile_options(${TESSALY_SANITIZER_COMPILE_OPTIONS})
  add_link_options(-fsanitize=address,undefined)
endif()

# Nearly two hundred test and benchmark executables link most of the
# project: as shared libraries its code and debug information exist once in
# a build instead of once in each of them (statically linked, one build
# filled a dozen gigabytes). Calls within a library stay direct and
# inlinable: nothing interposes the project's own functions.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_compile_options(-fno-semantic-interposition)

# tessaly_library(<name> <sources>...): a folder's library. Headers are
# included by their path from the repository root ("engine/vectors.h"), so
# equal file names in two folders never clash.
#
# A library compiles its files eight to a unit: most of a file's compile time
# is spent on the headers it shares with its neighbours (the interface
# libraries' files read some 100,000 lines each), and three builds compile
# every library. A file whose private names clash with a neighbour's, or
# whose macros would leak into it, sets SKIP_UNITY_BUILD_INCLUSION.
function(tessaly_library name)
  add_library(${name} SHARED ${ARGN})
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
