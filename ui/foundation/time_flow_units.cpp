// The time-flow units: the length in days of one step of each unit code,
// and the step a tick of time flow moves the chart.
#include <iterator>

#include "platform/foundation/run_loop.h"
#include "ui/foundation/settings_model.h"

namespace {

struct TimeFlowUnit {
  int code;
  double days;
};

// Codes 0-5, 30, 40 and 50 are the steps the time label offers; 6-12 are
// astronomical periods reachable through the settings file.
constexpr TimeFlowUnit kTimeFlowUnits[] = {
    {0, 365.0},               // year
    {1, 30.0},                // month
    {2, 1.0},                 // day
    {3, 1.0 / 24},            // hour
    {4, 1.0 / 1440},          // minute
    {5, 1.0 / 86400},         // second
    {6, 0.99726957},          // sidereal day
    {7, 27.321661},           // sidereal month
    {8, 29.531},              // synodic month
    {9, 354.372},             // lunar year
    {10, 365.25},             // Julian year
    {11, 365.256363004},      // sidereal year
    {12, 6585.322},           // saros
    {30, 10.0 / 24},          // ten hours
    {40, 10.0 / 1440},        // ten minutes
    {50, 10.0 / 86400},       // ten seconds
};

// The unit that runs with the clock: each tick moves the chart by the time
// since the previous tick.
constexpr int kRealElapsedTime = 100;

}  // namespace

double Settings::timeFlowAmt() {
  if (timeFlowIndex_ == kRealElapsedTime) {
    // The run loop's monotonic clock: a step of the wall clock (a time
    // server's correction, a change of zone) must not jump the chart.
    const double now = ns::RunLoop::main().now();
    const double elapsed = timeFlowTicked_ ? now - lastTimeFlowTime_ : 0;
    lastTimeFlowTime_ = now;
    timeFlowTicked_ = true;
    return elapsed / 86400 * timeFlowMultiplier_;
  }
  for (const TimeFlowUnit& unit : kTimeFlowUnits)
    if (unit.code == timeFlowIndex_) return unit.days * timeFlowMultiplier_;
  return 0;  // an unknown unit stands still
}
