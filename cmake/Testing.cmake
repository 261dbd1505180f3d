# tessaly_test(<name> LABEL <label> SOURCES <files>... [LIBS <targets>...])
# One GoogleTest executable, registered with CTest under the folder's label.
enable_testing()

function(tessaly_test name)
  cmake_parse_arguments(T "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  # Test code is most of what the build compiles, and its assertion macros
  # are slow to optimise: line tables suffice for its failure reports, and
  # -O1 halves its compile time in the optimised build (the code under test
  # keeps the build's own flags).
  target_compile_options(${name} PRIVATE -g1 $<$<CONFIG:RelWithDebInfo,Release>:-O1>)
  target_link_libraries(${name} PRIVATE ${T_LIBS} tessaly_testsupport
                        GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABEL}" TIMEOUT 600
    ENVIRONMENT "TESSALY_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# tessaly_benchmark(<name> SOURCES <files>... [LIBS <targets>...])
function(tessaly_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark
                        benchmark::benchmark_main)
endfunction()

# tessaly_test_bundle(<dir> <folder>...): a bundle for tests that read it
# as the application does: links to the named folders of the source tree's
# resources and to the interface images the build draws.
function(tessaly_test_bundle dir)
  file(MAKE_DIRECTORY ${dir})
  foreach(folder ${ARGN})
    if(EXISTS ${PROJECT_SOURCE_DIR}/resources/${folder} AND NOT EXISTS ${dir}/${folder})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/resources/${folder} ${dir}/${folder} SYMBOLIC)
    endif()
  endforeach()
  if(NOT EXISTS ${dir}/Images)
    file(CREATE_LINK ${TESSALY_INTERFACE_IMAGES_DIR} ${dir}/Images SYMBOLIC)
  endif()
endfunction()

# The catalogues, borders and pictures the test command builds once, into
# the release build's bundle; every build's suites (the sanitizer builds
# too) read them there.
set(TESSALY_BUILT_BUNDLE ${PROJECT_SOURCE_DIR}/build/release/app)
