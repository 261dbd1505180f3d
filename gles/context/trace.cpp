#include "gles/context/trace.h"

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>

std::int32_t mglTraceLevel = 0;

namespace {

bool traceLevelRead = false;

std::uint64_t ticks() {
  return static_cast<std::uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count());
}

// The platform's timebase: nanoseconds per tick of the steady clock.
constexpr double kNanosecondsPerTick =
    1e9 * std::chrono::steady_clock::period::num / std::chrono::steady_clock::period::den;

std::uint64_t startStamp = 0;

// Both are taken while the program loads, before main.
struct TraceSetUp {
  TraceSetUp() {
    startStamp = ticks();
    mglInitTraceLevel();
  }
} traceSetUp;

}  // namespace

long long mglGetEnvironmentInteger(const char* name, bool* isSet) {
  const char* text = std::getenv(name);
  if (isSet) *isSet = text != nullptr;
  return text ? std::strtoll(text, nullptr, 0) : 0;
}

void mglInitTraceLevel() {
  if (traceLevelRead) return;
  traceLevelRead = true;
  const long long value = mglGetEnvironmentInteger("MGL_CONFIG_TRACE_GL_CALLS", nullptr);
  mglTraceLevel = static_cast<std::int32_t>(value < INT32_MIN ? INT32_MIN
                                            : value > INT32_MAX ? INT32_MAX
                                                                : value);
}

std::uint64_t mglTraceStartTime() { return ticks() - startStamp; }

double mglTraceElapsedMilliseconds(std::uint64_t start, std::uint64_t end) {
  if (end == 0) end = mglTraceStartTime();
  return static_cast<double>(end - start) * kNanosecondsPerTick * 1e-6;
}

MGLTraceSpan::MGLTraceSpan(const char* traceName) : name(traceName) {
  switch (mglTraceLevel) {
    case 1:
      std::fprintf(stderr, "[mgl-trace] %s()\n", name);
      break;
    case 2:
      std::fprintf(stderr, "[mgl-trace] %s() {\n", name);
      break;
    case 3:
      start = mglTraceStartTime();
      std::fprintf(stderr, "[mgl-trace] %s() {\n", name);
      break;
    default:
      break;
  }
}

MGLTraceSpan::~MGLTraceSpan() {
  if (mglTraceLevel == 2) {
    std::fprintf(stderr, "[mgl-trace] } %s()\n", name);
  } else if (mglTraceLevel == 3) {
    std::fprintf(stderr, "[mgl-trace] } %s() (%.4f ms)\n", name,
                 mglTraceElapsedMilliseconds(start, 0));
  }
}
