// The working list of visual meteor showers of data/published/
// meteor_showers.txt (the International Meteor Organization's calendar),
// read into the values that a meteor-shower record holds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace catalogues {

struct MeteorShowerRow {
  int line = 0;             // of the SHOWER line
  std::string code;         // IAU three-letter code
  int number = 0;           // IAU Meteor Data Center number
  int start = 0, end = 0;   // activity, month x 100 + day (end < start: over the new year)
  int maximum = 0;          // month x 100 + day of the maximum in the list's year
  double solarLongitude;    // of the maximum, degrees (J2000)
  double ra, dec;           // radiant at the maximum, degrees (J2000)
  double raDrift, decDrift; // degrees a day (right ascension in degrees of RA)
  double velocity;          // km/s, before the atmosphere
  double populationIndex;   // r
  double zenithalRate;      // meteors an hour at the maximum; -1: variable
  std::string name;         // English name, blanks restored
};

// The list's showers in file order, without the Antihelion Source (flag
// "A"): that is an area that travels with the Sun all year, with neither a
// fixed radiant nor a maximum, so a shower record would put it in the wrong
// place on every date but one. `skipped` counts such rows. Every RADPOS line
// is checked too. False with `error` set ("<name>:<line>: <what>") on the
// first damaged line.
bool parseMeteorShowers(std::string_view text, std::string_view name,
                        std::vector<MeteorShowerRow>& showers, int& skipped, std::string& error);

}  // namespace catalogues
