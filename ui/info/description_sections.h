// The paragraphs of the description page by object class
// (description_stars.cpp, description_bodies.cpp), in the order
// getObjectDescriptionHTML writes them.
#pragma once

#include <string>

class CSkyChart;
class CSkyObject;
class PageText;

// What the paragraphs read: the object, its escaped chart name and the
// chart (for dates and the orbit of a binary).
struct DescriptionSubject {
  CSkyChart& chart;
  CSkyObject& object;
  std::string name;  // escaped
};

// Distance, colour, spectrum and energy output of stars; companions of
// double stars; variability; size of deep-sky objects and the motion of
// galaxies.
void describeStarOrDeepSky(PageText& page, const DescriptionSubject& subject);
// Orbit, launch and kind of satellites (with the fetched paragraph), orbit
// of other bodies, and the groups and size of asteroids.
void describeSolarSystemBody(PageText& page, const DescriptionSubject& subject);
