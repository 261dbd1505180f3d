// The sections of a solar-system body's information items, in the order
// getGeneralObjectInfo lists them (general_object_info.cpp): its events
// (body_events_info.cpp) and its motion, figure and orbit
// (body_physics_info.cpp).
#pragma once

class CSkyChart;
class CPlanet;
class InfoList;

// What every section reads: the body (its place current), the separator
// inside values and whether the short list was asked for.
struct BodyInfoSubject {
  CSkyChart& chart;
  CPlanet& body;
  const char* sep;
  bool shortList;
};

// Eclipses (the Sun, the Moon), or elongation or opposition and
// conjunction (bodies orbiting the Sun) in the next two years; rows of the
// "Visibility" section.
void addBodyEvents(InfoList& list, const BodyInfoSubject& subject);
// "Dawn and Dusk": the Sun's centre at -18, -12 and -6 degrees.
void addDawnAndDusk(InfoList& list, const BodyInfoSubject& subject);
// "Lunar Phases": the current phase and the next four.
void addLunarPhases(InfoList& list, const BodyInfoSubject& subject);
// "Upcoming Events": Jupiter's moons and Red Spot in the next day.
void addJupiterEvents(InfoList& list, const BodyInfoSubject& subject);

// "Apparent Motion": rates in right ascension, declination, azimuth and
// altitude, and the radial velocity.
void addBodyMotion(InfoList& list, const BodyInfoSubject& subject);
// "Physical Ephemeris" of planets and moons: sub-solar and central points,
// the pole's and the bright limb's position angles.
void addPhysicalEphemeris(InfoList& list, const BodyInfoSubject& subject);
// "Physical Parameters": diameter, mass, density, gravity and rotation.
void addBodyPhysics(InfoList& list, const BodyInfoSubject& subject);
// "Orbital Parameters" of every body but the Sun.
void addBodyOrbit(InfoList& list, const BodyInfoSubject& subject);
