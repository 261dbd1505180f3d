# Suites of the ground view, orbits, paths and meteors.
chart_test(chart_ground_borders_tests LABEL chart
  SOURCES world_borders_test.cpp
  LIBS tessaly_chart_testsupport tessaly_catalogue_builder tessaly_ui)
tessaly_test(chart_ground_borders_fuzz_tests LABEL chart
  SOURCES world_borders_fuzz_test.cpp
  LIBS tessaly_chart tessaly_catalogue_builder)
chart_test(chart_ground_meteor_tests LABEL chart
  SOURCES meteors_test.cpp
  LIBS tessaly_chart_testsupport tessaly_catalogue_builder)
chart_test(chart_ground_orbit_tests LABEL chart
  SOURCES orbit_paths_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_ground_view_tests LABEL chart
  SOURCES ground_view_test.cpp
  LIBS tessaly_chart_testsupport)
# The world borders of the data bundle in this build.
target_compile_definitions(chart_ground_view_tests PRIVATE TESSALY_TEST_BUNDLE="${TESSALY_BUILT_BUNDLE}")
# Replaces realloc for its own program: kept apart from the other suites.
chart_test(chart_ground_circle_tests LABEL chart
  SOURCES ground_circles_test.cpp
  LIBS tessaly_chart_testsupport ${CMAKE_DL_LIBS})
# The ground view's Earth from the built bundle's map.
chart_test(chart_ground_globe_tests LABEL chart
  SOURCES ground_globe_test.cpp
  LIBS tessaly_chart_testsupport)
