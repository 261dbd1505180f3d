// The call trace of the GL entry points on standard error, selected once
// per process by the environment variable MGL_CONFIG_TRACE_GL_CALLS:
// 1 names each call, 2 brackets it, 3 also times it.
#pragma once

#include <cstdint>

// The trace level, read from the environment before main.
extern std::int32_t mglTraceLevel;

// The variable's value as strtoll with base 0 reads it (0 when unset or
// without digits); `isSet` tells whether the variable exists.
long long mglGetEnvironmentInteger(const char* name, bool* isSet);

// Reads MGL_CONFIG_TRACE_GL_CALLS into mglTraceLevel, clamped to 32 bits.
// Runs once while the program loads; later calls change nothing.
void mglInitTraceLevel();

// Ticks since the process's start stamp, and milliseconds between two
// stamps (an end of 0 means now).
std::uint64_t mglTraceStartTime();
double mglTraceElapsedMilliseconds(std::uint64_t start, std::uint64_t end);

// Opening and closing trace lines of a call with the given trace name.
struct MGLTraceSpan {
  explicit MGLTraceSpan(const char* traceName);
  ~MGLTraceSpan();
  MGLTraceSpan(const MGLTraceSpan&) = delete;
  MGLTraceSpan& operator=(const MGLTraceSpan&) = delete;

  const char* name;
  std::uint64_t start = 0;
};
