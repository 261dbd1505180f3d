# Suites of the chart's images, meshes, models and solar-system layer.
tessaly_test(chart_solar_image_tests LABEL chart
  SOURCES image_files_test.cpp
  LIBS tessaly_chart_testsupport)
tessaly_test(chart_solar_image_fuzz_tests LABEL chart
  SOURCES image_files_fuzz_test.cpp
  LIBS tessaly_chart_testsupport)
tessaly_test(chart_solar_image_threads_tests LABEL chart
  SOURCES image_files_threads_test.cpp
  LIBS tessaly_chart_testsupport)
tessaly_test(chart_solar_mesh_tests LABEL chart
  SOURCES mesh_test.cpp
  LIBS tessaly_chart_testsupport)
tessaly_test(chart_solar_model_tests LABEL chart
  SOURCES model3d_test.cpp
  LIBS tessaly_chart_testsupport)
tessaly_test(chart_solar_model_fuzz_tests LABEL chart
  SOURCES model3d_fuzz_test.cpp
  LIBS tessaly_chart_testsupport)
tessaly_test(chart_solar_list_tests LABEL chart
  SOURCES solar_list_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_solar_update_tests LABEL chart
  SOURCES solar_update_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_solar_draw_tests LABEL chart
  SOURCES solar_draw_test.cpp
  LIBS tessaly_chart_testsupport)
tessaly_test(chart_solar_texture_tests LABEL chart
  SOURCES planet_textures_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_solar_globe_tests LABEL chart
  SOURCES solar_globe_test.cpp
  LIBS tessaly_chart_testsupport)
chart_test(chart_solar_golden_tests LABEL chart
  SOURCES solar_golden_test.cpp solar_sprites_test.cpp
  LIBS tessaly_chart_testsupport erfa)
chart_test(chart_solar_highlight_tests LABEL chart
  SOURCES sky_view_highlights_test.cpp
  LIBS tessaly_chart_testsupport)
