// The wall clock in milliseconds, for the chart's animations and the
// screens' time-outs.
#pragma once

// Seconds x 1000 + microseconds / 1000 of the system time of day.
double currentTimeMilliseconds();
