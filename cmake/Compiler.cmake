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

# The sanitizer builds keep line tables only (-g1): all a report's stack
# trace needs, and a third less to compile than full debug information.
if(TESSALY_THREAD_SANITIZER)
  add_compile_options(-fsanitize=thread -O1 -fno-omit-frame-pointer -g1)
  add_link_options(-fsanitize=thread)
endif()

if(TESSALY_SANITIZE)
  # -O1 keeps the sanitizer build and its test run short.
  set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined
                 -fno-omit-frame-pointer)
  add_compile_options(${sanitizers} -O1 -g1)
  add_link_options(${sanitizers})
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
function(tessaly_library name)
  add_library(${name} SHARED ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
