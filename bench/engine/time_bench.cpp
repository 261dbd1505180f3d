// Calendar, Delta-T and sidereal-time throughput: the chart converts the
// clock on every frame and the pass search calls sidereal time per step.
#include <benchmark/benchmark.h>

#include "engine/calendar.h"
#include "engine/delta_t.h"
#include "engine/sidereal_time.h"

namespace {

void BM_CalendarToJD(benchmark::State& state) {
  int calendar = static_cast<int>(state.range(0));
  int day = 1;
  for (auto _ : state) {
    day = day % 28 + 1;
    benchmark::DoNotOptimize(
        julianDateFromCalendar(2024, 5, day, 13, 45, 12.5, 0.04, calendar));
  }
}
BENCHMARK(BM_CalendarToJD)->Arg(kCalendarSwitching)->Arg(kCalendarGregorian)
    ->Arg(kCalendarHebrew)->Arg(kCalendarPersian);

void BM_JDToCalendar(benchmark::State& state) {
  int calendar = static_cast<int>(state.range(0));
  double jd = 2460000.3;
  int y, m, h, mi;
  double d, s;
  for (auto _ : state) {
    jd += 0.731;
    calendarFromJulianDate(&y, &m, &d, &h, &mi, &s, calendar, jd, 0.04);
    benchmark::DoNotOptimize(d);
  }
}
BENCHMARK(BM_JDToCalendar)->Arg(kCalendarSwitching)->Arg(kCalendarGregorian)
    ->Arg(kCalendarHebrew)->Arg(kCalendarIslamic)->Arg(kCalendarPersian)
    ->Arg(kCalendarIndian);

void BM_MeanSiderealTime(benchmark::State& state) {
  double jd = 2460000.3;
  for (auto _ : state) {
    jd += 0.001;
    benchmark::DoNotOptimize(meanSiderealTime(jd));
  }
}
BENCHMARK(BM_MeanSiderealTime);

void BM_DeltaT(benchmark::State& state) {
  double jd = 2300000.3;
  for (auto _ : state) {
    jd += 1.7;
    benchmark::DoNotOptimize(deltaT(jd));
  }
}
BENCHMARK(BM_DeltaT);

}  // namespace
