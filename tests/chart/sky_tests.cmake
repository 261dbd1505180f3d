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
chart_test(chart_sky_star_tests LABEL chart
  SOURCES star_layer_test.cpp star_view.cpp
  LIBS tessaly_chart_testsupport)
set_property(TEST chart_sky_star_tests APPEND PROPERTY ENVIRONMENT
  "TESSALY_SKY_DATA=${TESSALY_BUILT_BUNDLE}/SkyData")
chart_test(chart_sky_deep_sky_tests LABEL chart
  SOURCES deep_sky_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_sky_deep_sky_image_tests LABEL chart
  SOURCES deep_sky_images_test.cpp
  LIBS tessaly_chart_testsupport)
set_property(TEST chart_sky_deep_sky_image_tests APPEND PROPERTY ENVIRONMENT
  "TESSALY_SKY_IMAGES=${TESSALY_BUILT_BUNDLE}/SkyImages")
chart_test(chart_sky_culling_tests LABEL chart
  SOURCES star_culling_test.cpp
  LIBS tessaly_chart_testsupport)
# The catalogues of this build's bundle, when they have been built.
set_property(TEST chart_sky_culling_tests APPEND PROPERTY ENVIRONMENT
  "TESSALY_SKY_DATA=${TESSALY_BUILT_BUNDLE}/SkyData")
chart_test(chart_sky_galaxy_tests LABEL chart
  SOURCES galaxy_model_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_whole_frame_tests LABEL chart
  SOURCES whole_frame_test.cpp
  LIBS tessaly_chart_testsupport)
