# Suites of the chart's sky layers: textured triangles, stars, deep sky,
# constellations, grids, background and the Milky Way.
chart_test(chart_sky_texture_tests LABEL chart
  SOURCES texture_triangles_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_sky_grid_tests LABEL chart
  SOURCES grid_lines_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_sky_glare_tests LABEL chart
  SOURCES glare_test.cpp
  LIBS tessaly_chart_testsupport)
