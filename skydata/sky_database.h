// CSkyDatabase: the open catalogue files and the lookups every other part
// of the program reaches the catalogues through: objects by reference, the
// solar system's fixed objects, constellations, Bright Star numbers, and
// the settings form of a reference, which survives catalogue updates.
//
// Objects handed out belong to their file's loaded region when their
// owned-by-region mark is set; otherwise the caller deletes them.
//
// Reloading a catalogue replaces the file; the replaced file is kept until
// the next reload of the same catalogue (or the database's end), so that
// objects taken from it just before stay valid while their users refresh.
// Not thread-safe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skydata/search_filter.h"
#include "skydata/sky_object_id.h"

class CSettings;
class CSkyDataFile;
class CSkyObject;
class CStar;
class CBinaryStar;
class CPlanet;
class CPlanetFeature;
class CConstellation;
class CSkyDataRegion;

// Holds an object obtained from the database and deletes it at the end of
// the scope unless it belongs to a loaded region.
class ScopedSkyObject {
 public:
  explicit ScopedSkyObject(CSkyObject* object) : object_(object) {}
  ScopedSkyObject(const ScopedSkyObject&) = delete;
  ScopedSkyObject& operator=(const ScopedSkyObject&) = delete;
  ~ScopedSkyObject();
  CSkyObject* get() const { return object_; }
  CSkyObject* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  CSkyObject* object_;
};

// Number of Bright Star (HR) catalogue entries.
inline constexpr int kHRCatalogSize = 9110;

class CSkyDatabase {
 public:
  explicit CSkyDatabase(const char* dataDirectory);
  CSkyDatabase(const CSkyDatabase&) = delete;
  CSkyDatabase& operator=(const CSkyDatabase&) = delete;
  virtual ~CSkyDatabase();

  // The directory is kept with a final "/" (when not empty), at most 255
  // characters.
  virtual void getDataDirectory(char* buffer, std::size_t size) const;
  virtual void setDataDirectory(const char* text);

  virtual CSkyDataFile* getSolarSystemFile() const;
  virtual CSkyDataFile* getStarsFile() const;
  virtual CSkyDataFile* getTychoStarsFile() const;
  virtual CSkyDataFile* getGuideStarsFile() const;
  virtual CSkyDataFile* getExtraFile() const;
  virtual CSkyDataFile* getDeepSkyFile() const;
  virtual CSkyDataFile* getConstellationsFile() const;

  // Loaders: the name is taken in the data directory (the solar-system and
  // guide-star loaders take a name beginning with "/" as a full path).
  // Each returns the new file, or null when it cannot be opened or read,
  // in which case the file loaded before stays.
  virtual CSkyDataFile* loadSolarSystem(const char* name);
  virtual CSkyDataFile* loadStars(const char* name);
  virtual CSkyDataFile* loadTychoStars(const char* name);
  virtual CSkyDataFile* loadGuideStars(const char* name);
  virtual CSkyDataFile* loadExtraFile(const char* name);
  virtual CSkyDataFile* loadDeepSky(const char* name);
  virtual CSkyDataFile* loadConstellations(const char* name);
  // The solar-system file the last loadSolarSystem replaced, handed over:
  // a caller that swaps catalogues while objects of the old one are still
  // in use frees it once they are not. Null when there is none.
  std::unique_ptr<CSkyDataFile> takeReplacedSolarSystemFile();

  // The search filter's getters, one for each bound of a range.
  virtual const char* getNameKey() const;
  virtual std::int64_t getCatalogNumberKey() const;
  virtual bool getAllowDuplicates() const;
  virtual bool getCaseSensitive() const;
  virtual bool getExactMatch() const;
  virtual bool getSubstringMatch() const;
  virtual int getLowestType() const;
  virtual int getHighestType() const;
  virtual float getLowestDistance() const;
  virtual float getHighestDistance() const;
  virtual float getLowestMagnitude() const;
  virtual float getHighestMagnitude() const;
  virtual float getLowestSize() const;
  virtual float getHighestSize() const;
  virtual float getLowestRightAscension() const;
  virtual float getHighestRightAscension() const;
  virtual float getLowestDeclination() const;
  virtual float getHighestDeclination() const;
  virtual float getLowestAltitude() const;
  virtual float getHighestAltitude() const;
  virtual float getLowestAzimuth() const;
  virtual float getHighestAzimuth() const;
  virtual float getLowestSeparation() const;
  virtual float getHighestSeparation() const;
  virtual int getConstellation() const;

  // Satellite categories 0-255 shown by the filter; other codes are never
  // shown and cannot be changed.
  virtual bool isCategoryShown(int code) const;
  virtual void setCategoryShown(int code, bool on);
  // Shows that category alone.
  virtual void setOnlyCategoryShown(int code);
  virtual void getCategoryFlags(bool out[256]) const;
  virtual void setCategoryFlags(const bool in[256]);

  // The keys (the name is borrowed, not copied) and the matching flags.
  // Case sensitivity also rules the designation parsers (their
  // setCaseSensitiveSearch).
  virtual void setNameKey(const char* text);
  virtual void setCatalogNumberKey(std::int64_t number);
  virtual void setAllowDuplicates(bool on);
  virtual void setCaseSensitive(bool on);
  virtual void setExactMatch(bool on);
  virtual void setSubstringMatch(bool on);

  // The data file of a file number (1-6), or null.
  CSkyDataFile* getDataFile(int fileNumber) const;
  // The object a reference names, or null.
  CSkyObject* getObject(const SkyObjectID* reference);

  // References.
  static void setSkyObjectID(SkyObjectID* reference, std::uint16_t file, std::uint32_t region,
                             std::uint16_t index, std::int64_t catalogNumber, const char* name,
                             std::uint8_t type);
  static void setSkyObjectIDFromObject(SkyObjectID* reference, std::uint16_t file,
                                       std::uint32_t region, std::uint16_t index,
                                       const CSkyObject* object);
  static void setSunObjectID(SkyObjectID* reference);
  static void setEarthObjectID(SkyObjectID* reference);
  // The invalid reference; the type byte stays.
  static void clearSkyObjectID(SkyObjectID* reference);
  static bool isInvalidSkyObjectID(const SkyObjectID* reference);
  // Same file, region and index.
  static bool isSameSkyObjectID(const SkyObjectID* a, const SkyObjectID* b);
  // True when an entry has the same file, region and index, or (when not
  // 0) the same catalogue number, or (when not empty) the same name.
  static bool skyObjectIDInList(std::uint16_t file, std::uint32_t region, std::uint16_t index,
                                std::int64_t catalogNumber, const char* name,
                                const SkyObjectID* list, int count);

  // Solar system: the root region of the solar-system file, whose order is
  // fixed (index 0 the Sun, 3 the Earth, 10 the Moon). Null when the file
  // is not loaded or holds too few objects.
  CPlanet* getSun();
  CPlanet* getEarth();
  CPlanet* getMoon();
  int getSolarSystemObjectCount() const;
  CPlanet* getSolarSystemObject(int i) const;
  CPlanetFeature* getPlanetFeature(int i) const;
  // The solar-system object at the object's parent index.
  CPlanet* getParentPlanet(const CPlanet* object) const;
  CPlanet* getFeatureParent(const CPlanetFeature* feature) const;
  // The reference of a solar-system object (file 1, region 0, its index,
  // its body number, name and type); false when it is not in the file.
  bool getSolarSystemObjectID(const CSkyObject* object, SkyObjectID* out) const;
  // The indices of the features whose parent is `body`, in file order:
  // stores at most `maximum` (none below 1) and returns how many there are
  // (the stored count when the maximum stopped it).
  int getPlanetFeatureIndices(const CPlanet* body, int* indices, int maximum) const;
  // The first planet or moon (types 30, 31) with that body number.
  CPlanet* findPlanetByBodyNumber(std::uint32_t n) const;

  // Constellations (types 40) in the root region of the constellations file.
  CConstellation* findConstellationByNumber(int n) const;
  // By name or abbreviation, exactly.
  CConstellation* findConstellationByName(const char* text) const;

  // Bright Star catalogue: the star of HR number n (1-9110), or null.
  CStar* getStarByHRNumber(int n);
  // The star the binary star's companion link names in the stars file.
  CStar* getBinaryComponentStar(const CBinaryStar* binary);

  // The settings form: "ObjectID" ("file,region,index"), then, when the
  // object is found, "Type", up to 4 "CommonName" and up to 8
  // "CatalogNumber" in English; otherwise the reference's own name and
  // number. A new list the caller frees with CSettings::deleteList.
  CSettings* objectIDToSettings(const SkyObjectID* reference);
  // Reads a reference back from its settings form and resolves it against
  // the loaded catalogues (resolveObjectID). True when it was found.
  bool objectIDFromSettings(SkyObjectID* reference, const CSettings* list);
  // Resolves a reference with its own name and catalogue number.
  bool refreshObjectID(SkyObjectID* reference);
  // Keeps the reference when the object at its place still matches;
  // otherwise looks it up by its catalogue-number texts, then by its names
  // (a search of the stars file that finds nothing goes on in the Tycho
  // file), and replaces it with the first object that matches. Prints "Failed to
  // validate" and returns false when nothing does (the reference stays).
  bool resolveObjectID(SkyObjectID* reference, const char* const* names, int nameCount,
                       const char* const* numberTexts, int numberCount);
  // True when the object at the reference matches the given texts: at
  // least half (and at least one) of the number texts equal a designation
  // of its catalogue numbers, or at least half (and at least one) of the
  // names are among its names. With no texts at all, any object of the
  // given type (or any, for type 0) matches.
  bool objectMatchesID(const SkyObjectID* reference, const char* const* names, int nameCount,
                       const char* const* numberTexts, int numberCount, int type);

  // Searches (search_filter.cpp). Every search appends references to
  // `results`, at most `maximum` of them, and returns how many it appended.

  // The filter's type, satellite-category and key tests.
  bool objectPassesFilter(const CSkyObject* object) const;
  // The test of a region (object null) or an object (region null) that the
  // region scans are given; `database` is the database whose filter rules.
  static bool searchScanFilter(CSkyDataRegion* region, CSkyObject* object, void* database);
  // One file's search (file numbers 1-6) with the present keys: the keys
  // looked up in the file's indexes and the hits filtered, or without keys
  // the whole region tree scanned.
  int searchFile(int fileNumber, std::vector<SkyObjectID>& results, int maximum);
  // searchFile with one key set for its time; both keys are cleared after.
  // A number of 0 or a null text finds nothing.
  int findObjectsByCatalogNumber(std::int64_t catalogNumber, int fileNumber,
                                 std::vector<SkyObjectID>& results, int maximum);
  int findObjectsByName(const char* text, int fileNumber, std::vector<SkyObjectID>& results,
                        int maximum);
  // Appends one reference unless duplicates are not allowed and the list
  // has it already (skyObjectIDInList); returns 1 or 0.
  int addSearchResult(std::vector<SkyObjectID>& results, std::uint16_t file, std::uint32_t region,
                      std::uint16_t index, std::int64_t catalogNumber, const char* name,
                      std::uint8_t type);
  // A bare number n (1 to 10^16 - 1) as an asteroid, comet and satellite
  // number, then as what the star and deep-sky number readers make of its
  // digits.
  int findObjectsByNumber(std::int64_t n, std::vector<SkyObjectID>& results, int maximum);
  // The search screens' search: numbers, names in every file, star and
  // deep-sky designations.
  int findObjects(const char* text, std::vector<SkyObjectID>& results, int maximum);
  // A Gaia source identifier (guide stars) or a position-coded deep-sky
  // number (catalogues 141, 142) searched near its position; at most 16.
  int findObjectsByPositionID(std::int64_t catalogNumber, std::vector<SkyObjectID>& results,
                              int maximum);

  // Records the chart and the mode, then orders the references by the mode
  // (stable; entries without an object first in modes 4-14, undefined keys
  // last). Mode 0 and modes above 14 leave the list as it is. Each entry's
  // key is computed once.
  void sortSearchResults(CSkySearchChart* chart, SkyObjectID* results, int count, int mode);
  // The recorded mode's order of two references: negative, 0 or positive.
  int compareSearchResults(const SkyObjectID* a, const SkyObjectID* b);
  CSkySearchChart* getSearchChart() const { return searchChart_; }
  int getSortMode() const { return sortMode_; }

  // The filter; the type range and the eight ranges are written here
  // directly.
  SearchFilter searchFilter;

 private:
  enum Slot { kSolarSystem, kStars, kTychoStars, kGuideStars, kExtra, kDeepSky, kConstellations,
              kSlotCount };
  // Builds the path of a catalogue name; false when it does not fit.
  bool buildPath(const char* name, bool fullPathAllowed, std::string& path) const;
  // Opens the file and reads its header and tree; null on failure.
  std::unique_ptr<CSkyDataFile> openCatalog(const char* name, bool fullPathAllowed) const;
  // Stores a newly loaded file, keeping the replaced one until the next
  // reload.
  CSkyDataFile* install(Slot slot, std::unique_ptr<CSkyDataFile> file);
  void buildHRTable();
  // A loaded object of a file's root region, or null.
  CSkyObject* rootObject(Slot slot, int i) const;
  // The index of an object in the solar-system root, or -1.
  int solarSystemIndexOf(const CSkyObject* object) const;
  friend class CSkySearchChart;
  // Records the chart for the position tests and the sort (null forgets).
  void recordSearchChart(CSkySearchChart* chart);
  // A search of one file with one key set for its time.
  int searchFileWithKeys(int fileNumber, std::int64_t catalogNumber, const char* name,
                         std::vector<SkyObjectID>& results, int maximum);
  // The object-position tests of searchScanFilter.
  bool objectPassesRanges(CSkyObject* object) const;

  CSkySearchChart* searchChart_ = nullptr;
  int sortMode_ = 0;

  char dataDirectory_[256] = {};
  std::unique_ptr<CSkyDataFile> files_[kSlotCount];
  std::unique_ptr<CSkyDataFile> replaced_[kSlotCount];
  std::vector<SkyObjectID> hrTable_;
};

// The display name of a type code 1-42 in the current language; the empty
// text for codes without one.
const char* objectTypeName(int code);
