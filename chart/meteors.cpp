// Meteors of a selected meteor shower, spawned at the shower's rate with
// the C library's random numbers.
#include "chart/meteors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "chart/chart_clock.h"
#include "chart/sky_chart.h"
#include "engine/vectors.h"
#include "skydata/constellation.h"

namespace {

constexpr float kMeteorColor[3] = {1, 1, 0.5f};
// Fewest meteors an hour a shower animates with.
constexpr double kMinimumRate = 3;
// A meteor fades over this many seconds after reaching distance 10, and
// its streak is this long in time.
constexpr double kFadeSeconds = 0.5;
constexpr double kStreakSeconds = 0.5;

double previousStepMilliseconds = 0;

double uniform() { return std::rand() / 2147483647.0; }

void setMeteorColor(CSkyChart& chart, float alpha) {
  float rgb[3];
  chart.filterColor(rgb, kMeteorColor);
  chart.setColor(rgb[0], rgb[1], rgb[2], alpha);
}

}  // namespace

void updateMeteors(CSkyChart* chart, CMeteorShower* shower) {
  if (chart == nullptr || shower == nullptr) return;
  const double now = currentTimeMilliseconds();
  const double elapsed = (now - previousStepMilliseconds) / 1000.0;
  double rate = shower->getPeakRate();
  if (!std::isfinite(rate) || rate < kMinimumRate) rate = kMinimumRate;
  double expected = std::min(elapsed, 1.0) * rate;
  // A damaged rate (1e38, where x - 1 == x) would never count down; the
  // loop ends once every slot is taken.
  while (expected > 0 && chart->meteorCount < kMaxMeteors) {
    if (uniform() < expected) spawnMeteor(chart, shower, now);
    expected -= 1;
  }

  chart->setLineWidth(1);
  chart->setSmoothLines(false);
  for (int i = 0; i < chart->meteorCount;) {
    const Meteor* meteor = chart->meteors[i];
    const double age = (now - meteor->start) / 1000.0;
    if (age > meteor->duration + kFadeSeconds) {
      removeMeteor(chart, i);
      continue;
    }
    if (age > 0) drawMeteor(chart, meteor, age);
    ++i;
  }

  double radiant[3], x, y;
  shower->getPosition(radiant);
  if (chart->vectorToScreen(radiant, &x, &y) && chart->isPointInViewport(x, y)) {
    setMeteorColor(*chart, 1);
    char name[256];
    shower->getName(name, sizeof name);
    const float shift = chart->textHeight / 2;
    chart->drawLabel(name, 1, false, static_cast<float>(x) + shift, static_cast<float>(y) + shift);
  }
  previousStepMilliseconds = now;
}

void spawnMeteor(CSkyChart* chart, CMeteorShower* shower, double now) {
  if (chart == nullptr || shower == nullptr || chart->meteorCount >= kMaxMeteors) return;
  const double speed = shower->getVelocity();
  // An unknown (infinite) or zero speed gives no geometry to draw.
  if (!std::isfinite(speed) || !(speed > 0)) return;
  double radiant[3];
  shower->getPosition(radiant);
  if (!std::isfinite(radiant[0] + radiant[1] + radiant[2])) return;
  auto* meteor = new (std::nothrow) Meteor;
  if (meteor == nullptr) return;
  for (int k = 0; k < 3; ++k) {
    const double u1 = uniform(), u2 = uniform();
    meteor->position[k] = 100 * radiant[k] + 50 * (u1 - 0.5) * (u2 - 0.5);
    meteor->velocity[k] = -radiant[k] * speed;
  }
  meteor->start = now;
  meteor->duration = (vectorLength(meteor->position) - 10) / speed;
  const double u3 = uniform(), u4 = uniform();
  meteor->brightness = static_cast<float>(u3 * u4);
  chart->meteors[chart->meteorCount++] = meteor;
}

void drawMeteor(CSkyChart* chart, const Meteor* meteor, double age) {
  if (chart == nullptr || meteor == nullptr) return;
  setMeteorColor(*chart, meteor->brightness);
  double head[3], tail[3];
  vectorScaleAdd(meteor->velocity, meteor->position, head, std::min(age, meteor->duration));
  vectorScaleAdd(meteor->velocity, meteor->position, tail, std::max(age - kStreakSeconds, 0.0));
  vectorNormalize(head);
  vectorNormalize(tail);
  chart->moveTo(head);
  chart->lineTo(tail);
  chart->strokePath();
}

void removeMeteor(CSkyChart* chart, int index) {
  if (chart == nullptr || index < 0 || index >= chart->meteorCount) return;
  delete chart->meteors[index];
  std::copy(chart->meteors + index + 1, chart->meteors + chart->meteorCount, chart->meteors + index);
  chart->meteors[--chart->meteorCount] = nullptr;
}

void clearMeteors(CSkyChart* chart) {
  if (chart == nullptr) return;
  for (Meteor*& meteor : chart->meteors) {
    delete meteor;
    meteor = nullptr;
  }
  chart->meteorCount = 0;
}
