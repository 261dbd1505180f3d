// The meteor animation of a selected meteor shower: meteors streak away
// from the radiant on the wall clock, independent of the chart's time.
//
// Thread rules: drawing thread only (the previous step's time is
// process-wide).
#pragma once

class CSkyChart;
class CMeteorShower;

struct Meteor {
  double position[3];  // the radiant direction scaled to about 100 units
  double velocity[3];  // units per second, towards the observer
  double start;        // wall clock, milliseconds
  double duration;     // seconds until it reaches distance 10
  float brightness;    // 0..1
};

// One step per frame: spawns meteors at the shower's rate, draws the live
// ones, drops the expired ones and labels the radiant.
void updateMeteors(CSkyChart* chart, CMeteorShower* shower);
// Creates one meteor starting at `now` (milliseconds); nothing when 200
// exist, memory is short or the shower has no finite positive speed.
void spawnMeteor(CSkyChart* chart, CMeteorShower* shower, double now);
// The streak of a meteor `age` seconds after its start.
void drawMeteor(CSkyChart* chart, const Meteor* meteor, double age);
// Frees meteor `index` (below the count) and closes the gap.
void removeMeteor(CSkyChart* chart, int index);
void clearMeteors(CSkyChart* chart);
