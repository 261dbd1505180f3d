// Hit testing: a tap collects the objects drawn near it layer by layer and
// selects the first, or the one after the current selection, so that
// repeated taps cycle through overlapping objects.
#include <cmath>
#include <cstring>

#include "chart/highlight_placement.h"
#include "chart/sky_chart.h"
#include "skydata/sky_database.h"

namespace {

bool sameRecord(const SkyObjectID& a, const SkyObjectID& b) {
  return a.file == b.file && a.region == b.region && a.index == b.index;
}

// Keeps the first record of each object, in order; returns the new count.
// One object can stand in several records (drawn twice, and highlighted).
int dropRepeatedRecords(SkyObjectID* hits, int n) {
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    bool seen = false;
    for (int k = 0; k < kept && !seen; ++k) seen = sameRecord(hits[k], hits[i]);
    if (!seen) hits[kept++] = hits[i];
  }
  return kept;
}

}  // namespace

int CSkyChart::selectObjectAtPoint(float x, float y) { return selectObjectAt({x, y}); }

int CSkyChart::selectObjectAt(GPoint point) {
  double v[3];
  if (!screenToVector(v, point.x, point.y)) return 0;
  // Nothing on the ground can be selected.
  if (isBelowHorizon(v)) return 0;
  SkyObjectID hits[kMaxHitRecords] = {};
  int n = findObjectsAt(point, hits, kMaxHitRecords);
  if (n <= 0) return 0;
  n = dropRepeatedRecords(hits, n);
  int next = 0;
  for (int i = 0; i < n; ++i) {
    if (sameRecord(hits[i], selectedObjectID)) {
      next = i + 1 < n ? i + 1 : 0;
      break;
    }
  }
  selectObject(&hits[next]);
  return 1;
}

int CSkyChart::findObjectsAt(GPoint point, SkyObjectID* hits, int maximum) {
  if (hits == nullptr || maximum < 1) return 0;
  // The ground view offers its satellites and nothing else.
  if (earthView) return findSatellitesNear(point, hits, maximum);
  int n = 0;
  if (showPlanets || showAsteroids || showComets || showSatellites) {
    // Solar-system objects and satellites; when any is hit they are the
    // answer alone.
    n = findSolarSystemObjectsAt(point, hits, maximum);
    if (n > 0) return n;
  }
  if ((showDeepSkyObjects || showDeepSkyImages) && n < maximum)
    n += findDeepSkyObjectsAt(point, kDeepSkyFile, nullptr, hits + n, maximum - n);
  if (showStars && n < maximum) {
    const int firstStar = n;
    for (int file : {kStarsFile, kTychoStarsFile, kGuideStarsFile})
      if (n < maximum) n += findStarsAt(point, file, nullptr, hits + n, maximum - n);
    // The brightest star under the finger is offered first.
    if (n - firstStar > 1)
      database->sortSearchResults(this, hits + firstStar, n - firstStar, kSortMagnitude);
  }
  if (selectConstellations && n < maximum && displayFOV > 0.1745329251993889 &&
      !isObserverFarFromSun()) {
    const float at[2] = {point.x, point.y};
    if (findConstellationAt(at, &hits[n])) ++n;
  }
  if (n < maximum) n += findHighlightedObjectsAt(point, hits + n, maximum - n);
  return n;
}

int CSkyChart::findHighlightedObjectsAt(GPoint point, SkyObjectID* hits, int room) {
  if (highlights == nullptr || highlightCount < 1 || database == nullptr || room < 1) return 0;
  if (!showHighlightedObjectCircles && !showHighlightedObjectLabels) return 0;
  int n = 0;
  double reach = markerSize / 2;
  for (int i = 0; i < highlightCount && n < room; ++i) {
    const SkyObjectPath& record = highlights[i];
    ScopedSkyObject object(database->getObject(&record.id));
    if (!object) continue;
    bool selected = CSkyDatabase::isSameSkyObjectID(&record.id, &selectedObjectID);
    HighlightPlacement at;
    if (!placeHighlightedObject(*this, object.get(), selected, &at)) continue;
    double dx = point.x - at.x, dy = point.y - at.y;
    double limit = reach + at.radius;
    if (!(dx * dx + dy * dy < limit * limit)) continue;
    if (!database->objectPassesFilter(object.get())) continue;
    CSkyDatabase::setSkyObjectIDFromObject(&hits[n], record.id.file, record.id.region,
                                           record.id.index, object.get());
    ++n;
  }
  return n;
}
