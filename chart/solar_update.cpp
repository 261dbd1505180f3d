// A downloaded solar-system file taking the installed one's place: its
// counts, the references into it found again, and the replaced file kept
// until a frame has released what its bodies hold.
#include <memory>
#include <vector>

#include "chart/sky_chart.h"
#include "skydata/app_bridge.h"
#include "skydata/object_types.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_data_region.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"

namespace {

void countObjectsByType(CSkyDataFile& file, CSkyDataRegion* region, UpdateResults& results) {
  if (region == nullptr) return;
  bool loadedHere = !region->isLoaded();
  if (loadedHere && file.loadRegionObjects(region) < 0) loadedHere = false;
  for (std::size_t i = 0, n = region->isLoaded() ? region->getObjectCount() : 0; i < n; ++i) {
    CSkyObject* object = region->getObject(i);
    int type = object != nullptr ? object->getType() : 0;
    if (type == kTypeAsteroid) ++results.asteroids;
    if (type == kTypeComet) ++results.comets;
    if (type == kTypeSatellite || type == kTypeSpacecraft) ++results.satellites;
  }
  if (loadedHere) region->deleteObjects();
  for (int k = 0; k < 8; ++k) countObjectsByType(file, region->getChild(k), results);
}

}  // namespace

bool CSkyChart::updateSolarSystemData(const char* path, UpdateResults* results) {
  if (path == nullptr || database == nullptr) return false;
  CSkyDataFile* file = database->loadSolarSystem(path);
  if (file == nullptr) return false;
  if (std::unique_ptr<CSkyDataFile> old = database->takeReplacedSolarSystemFile())
    retiredSolarSystemFiles.push_back(std::move(old));
  UpdateResults counts{};
  if (results != nullptr) counts.bytes = results->bytes;
  counts.objects = static_cast<std::int32_t>(file->getObjectCount());
  countObjectsByType(*file, file->getRoot(), counts);
  if (results != nullptr) *results = counts;

  planetDistanceCount = 0;  // its records name the old file's objects
  reresolveSolarSystemReferences();
  updateNeeded = true;
  requestChartRedraw();
  return true;
}

void CSkyChart::reresolveSolarSystemReferences() {
  // An object the new file lacks is not whatever now stands at its place.
  auto refreshed = [this](SkyObjectID id, bool orTheEarth) {
    if (id.file == kSolarSystemFile && !database->refreshObjectID(&id)) {
      if (orTheEarth) {
        CSkyDatabase::setEarthObjectID(&id);
        id.type = kTypePlanet;
      } else {
        CSkyDatabase::clearSkyObjectID(&id);
      }
    }
    return id;
  };
  if (selectedObjectID.file == kSolarSystemFile) {
    const SkyObjectID previous = refreshed(previousSelectedObjectID, false);
    // The held object belongs to the old file: the new file's is taken even
    // where the reference stays the same.
    const SkyObjectID selected = refreshed(selectedObjectID, true);
    selectObject(&selected);
    previousSelectedObjectID = previous;
    resetObjectPath(&selectedObjectPath);
  } else {
    previousSelectedObjectID = refreshed(previousSelectedObjectID, false);
  }
  if (homeObjectID.file == kSolarSystemFile) setHomeObject(refreshed(homeObjectID, true));

  if (satelliteHighlightMaximum > 0) {
    highlightSatellites(true, satelliteHighlightMaximum);
    return;
  }
  std::vector<SkyObjectID> kept;
  bool changed = false;
  for (int i = 0; i < highlightCount; ++i) {
    const SkyObjectID id = refreshed(highlights[i].id, false);
    changed = changed || !CSkyDatabase::isSameSkyObjectID(&id, &highlights[i].id);
    if (!CSkyDatabase::isInvalidSkyObjectID(&id)) kept.push_back(id);
  }
  if (changed) setHighlightedObjects(kept.data(), static_cast<int>(kept.size()));
}

void CSkyChart::releaseRetiredSolarSystemFiles() {
  for (std::unique_ptr<CSkyDataFile>& file : retiredSolarSystemFiles) releaseSolarSystemRenderData(file.get());
  retiredSolarSystemFiles.clear();
}
