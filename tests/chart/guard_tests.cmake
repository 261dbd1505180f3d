# Suites that hold the chart to independent oracles where a slip in its
# drawing or hit testing would otherwise pass unseen.
chart_test(chart_guard_tests LABEL chart
  SOURCES chart_guard_binary_orbit_test.cpp chart_guard_deep_sky_test.cpp
    chart_guard_orbits_test.cpp chart_guard_solar_hits_test.cpp
  LIBS tessaly_chart_testsupport erfa)
