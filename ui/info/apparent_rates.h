// How fast a solar-system body moves across the observer's sky: the rates
// the "Apparent Motion" sections of bodies and satellites show.
#pragma once

class CSkyChart;
class CPlanet;

// Rates per day (radians per day, AU per day) of the body's place relative
// to the observer: right ascension and declination of the chart's epoch
// with their rates and the radial rate; and, relative to the turning
// Earth, azimuth and altitude rates.
struct ApparentRates {
  double declination;
  double raRate, decRate;
  double radialRate;
  double azimuthRate, altitudeRate;
};

// From the body's stored heliocentric state and the chart's observer.
ApparentRates apparentRates(const CSkyChart& chart, const CPlanet& body);
