#!/usr/bin/env bash
# The whole test suite: set-up (with the data packages), an optimised build,
# the catalogue bundle built from the public data as the run command builds
# it (the real-catalogue tests read it), and the build's tests; the tests
# that run work on several threads again under ThreadSanitizer; then the whole
# suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh --data

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  (cd "$dir" && ctest --output-on-failure --no-tests=error --parallel "$jobs" "$@")
}

echo "== build (RelWithDebInfo)"
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== data bundle (after ${SECONDS} s)"
shopt -s nullglob
for step in scripts/data.d/*.sh; do
  bash "$step" build/release
done
echo "== tests (RelWithDebInfo, after ${SECONDS} s)"
run_suite build/release

# The GPU thread, the display link, the run loop and the shared GL object
# stores are the code that runs on several threads; the engine's tables
# built on first use are first used by several threads at once; the text
# and glyph caches are shared by every thread that draws; pass searches run
# on a pool of workers, each with its own database and chart; a headless
# snapshot waits for the GPU threads of the screen's layers.
threaded=(metal_command_tests metal_texture_tests metal_shader_tests quartzcore_tests
          mechanics_event_search_threads_tests
          gles_call_frame_tests gles_context_tests gles_object_store_tests
          foundation_runloop_tests engine_first_use_tests coregraphics_threads_tests
          gles_renderer_tests gles_query_pool_tests gles_pixel_format_tests
          foundation_serial_queue_tests devices_services_tests
          gles_shader_tests gles_binding_tests gles_parameter_query_tests gles_eagl_tests
          metal_raster_thread_tests metal_raster_tests
          chart_solar_image_threads_tests chart_solar_texture_tests
          chart_solar_globe_tests
          shadercompiler_converter_tests
          app_shell_updater_threads_tests app_screen_camera_threads_tests app_screen_voice_tests push_client_tests
          app_shell_view_tests app_shell_announcement_tests app_screen_camera_screen_tests
          host_settled_screen_tests app_screen_ground_update_tests)
echo "== build (ThreadSanitizer, threaded tests, after ${SECONDS} s)"
bash scripts/build.sh build/thread -DCMAKE_BUILD_TYPE=Debug -DTESSALY_THREAD_SANITIZER=ON \
  -DTESSALY_BUILD_BENCH=OFF -- "${threaded[@]}"
echo "== tests (ThreadSanitizer)"
TSAN_OPTIONS=halt_on_error=1 run_suite build/thread -R "^($(IFS='|'; echo "${threaded[*]}"))\$"

echo "== build (AddressSanitizer + UndefinedBehaviorSanitizer, after ${SECONDS} s)"
bash scripts/build.sh build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_SANITIZE=ON \
  -DTESSALY_BUILD_BENCH=OFF
echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build/sanitize
echo "== done after ${SECONDS} s"
