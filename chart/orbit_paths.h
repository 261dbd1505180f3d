// The spread of an orbit's points along its true anomaly.
#pragma once

// The fraction (0 to 1) of a whole turn at which point i of an orbit of
// n points (n even, n + 1 stored) lies: even steps, with 25 points drawn
// together around the middle, n / 2, which maps to 0.5.
double orbitPointFraction(int i, int n);
