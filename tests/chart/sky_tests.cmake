# Suites of the chart's sky layers: textured triangles, stars, deep sky,
# constellations, grids, background and the Milky Way.
chart_test(chart_sky_texture_tests LABEL chart
  SOURCES texture_triangles_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_sky_grid_tests LABEL chart
  SOURCES grid_lines_test.cpp reference_marks_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_sky_glare_tests LABEL chart
  SOURCES glare_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_sky_background_tests LABEL chart
  SOURCES sky_background_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_sky_constellation_tests LABEL chart
  SOURCES constellations_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_sky_constellation_fuzz_tests LABEL chart
  SOURCES constellation_images_fuzz_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_sky_milky_way_tests LABEL chart
  SOURCES milky_way_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_sky_bundle_image_tests LABEL chart
  SOURCES sky_images_bundle_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_sky_frame_tests LABEL chart
  SOURCES sky_frame_test.cpp
  LIBS tessaly_chart_testsupport)
