// The particle model of the Galaxy seen from outside: glowing particles
// for the spiral arms, dust lanes, the central bar and the Magellanic
// Clouds, placed once in galactic coordinates about the Sun and kept as
// J2000 positions in parsecs.
//
// Thread rules: the chart's drawing thread only, like the chart.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

// Particle kinds: their colours, and how much of their light shows.
enum GalaxyParticleKind : std::uint32_t {
  kGalaxyBlueStars = 1,
  kGalaxyYellowStars = 2,
  kGalaxyPinkClouds = 3,
  kGalaxyDust = 4,
  kGalaxyWarmStars = 5,
  kGalaxyWhiteStars = 6,
};

struct GalaxyParticle {
  double position[3];   // heliocentric, J2000, parsecs
  double direction[3];  // unit vector from the observer
  double distance;      // parsecs from the observer
  float size;           // diameter scale, parsecs
  float angularSize;    // size / distance, radians
  float color[3];
  std::uint32_t kind;
};

struct GalaxyModel {
  std::vector<GalaxyParticle> particles;
  // Indices of the particles, farthest from the observer first, and
  // whether their directions are for the observer's present place.
  std::vector<std::uint32_t> order;
  bool placed = false;
  // The layout's own generator: the same Galaxy every run.
  std::minstd_rand random{20110};
  // 0 .. 1 inclusive.
  double random01() {
    return static_cast<double>(random() - std::minstd_rand::min()) /
           static_cast<double>(std::minstd_rand::max() - std::minstd_rand::min());
  }
};

// Particles in the whole model.
inline constexpr int kGalaxyParticleCount = 11070;
