#include "skydata/sky_database.h"

#include <clocale>
#include <cstdio>
#include <cstring>

#include "engine/body_table.h"
#include "skydata/object_factory.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_object.h"
#include "skydata/star_classes.h"

namespace {

constexpr std::int64_t kCatalogFactor = 10000000000000000LL;
constexpr std::uint64_t kHRCatalog = 4;

void copyName(char (&name)[32], const char* text) {
  std::snprintf(name, sizeof name, "%s", text == nullptr ? "" : text);
}

// Deletes an object the database handed out unless a region owns it.
void releaseObject(CSkyObject* object) {
  if (object != nullptr && !object->isOwnedByRegion()) delete object;
}

}  // namespace

ScopedSkyObject::~ScopedSkyObject() { releaseObject(object_); }

CSkyDatabase::CSkyDatabase(const char* dataDirectory) {
  setDataDirectory(dataDirectory);
  buildBodyIndex();
  // The environment's locale for everything but numbers: the catalogue and
  // settings texts are read and written with the C library's number
  // formats, which must keep the decimal point.
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
}

CSkyDatabase::~CSkyDatabase() {
  if (searchChart_ != nullptr) searchChart_->recordedBy_ = nullptr;
}

void CSkyDatabase::getDataDirectory(char* buffer, std::size_t size) const {
  if (buffer != nullptr && size > 0) std::snprintf(buffer, size, "%s", dataDirectory_);
}

void CSkyDatabase::setDataDirectory(const char* text) {
  if (text == nullptr) text = "";
  // Room is kept for the final "/", so that a long directory is never
  // stored without it.
  std::snprintf(dataDirectory_, sizeof dataDirectory_ - 1, "%s", text);
  const std::size_t length = std::strlen(dataDirectory_);
  if (length > 0 && dataDirectory_[length - 1] != '/') {
    dataDirectory_[length] = '/';
    dataDirectory_[length + 1] = '\0';
  }
}

CSkyDataFile* CSkyDatabase::getSolarSystemFile() const { return files_[kSolarSystem].get(); }
CSkyDataFile* CSkyDatabase::getStarsFile() const { return files_[kStars].get(); }
CSkyDataFile* CSkyDatabase::getTychoStarsFile() const { return files_[kTychoStars].get(); }
CSkyDataFile* CSkyDatabase::getGuideStarsFile() const { return files_[kGuideStars].get(); }
CSkyDataFile* CSkyDatabase::getExtraFile() const { return files_[kExtra].get(); }
CSkyDataFile* CSkyDatabase::getDeepSkyFile() const { return files_[kDeepSky].get(); }
CSkyDataFile* CSkyDatabase::getConstellationsFile() const { return files_[kConstellations].get(); }

bool CSkyDatabase::buildPath(const char* name, bool fullPathAllowed, std::string& path) const {
  if (name == nullptr || name[0] == '\0') return false;
  char buffer[1024];
  const char* directory = fullPathAllowed && name[0] == '/' ? "" : dataDirectory_;
  const int length = std::snprintf(buffer, sizeof buffer, "%s%s", directory, name);
  // A cut path would name another file.
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof buffer) return false;
  path = buffer;
  return true;
}

std::unique_ptr<CSkyDataFile> CSkyDatabase::openCatalog(const char* name,
                                                        bool fullPathAllowed) const {
  std::string path;
  if (!buildPath(name, fullPathAllowed, path)) return nullptr;
  auto file = std::make_unique<CSkyDataFile>(path.c_str());
  if (!file->isOpen() || file->readHeader() <= 0) return nullptr;
  return file;
}

CSkyDataFile* CSkyDatabase::install(Slot slot, std::unique_ptr<CSkyDataFile> file) {
  replaced_[slot] = std::move(files_[slot]);
  files_[slot] = std::move(file);
  return files_[slot].get();
}

namespace {

// Loads the listed indexes that the file has; an index that is present
// but damaged fails the load.
bool loadIndexes(CSkyDataFile& file, std::initializer_list<std::uint64_t> ids) {
  for (std::uint64_t id : ids) {
    if (file.getIndex(id) != nullptr && file.loadIndex(id) < 0) return false;
  }
  return true;
}

}  // namespace

CSkyDataFile* CSkyDatabase::loadSolarSystem(const char* name) {
  auto file = openCatalog(name, true);
  if (!file || file->loadRegionObjects(nullptr) <= 0 || !file->getRoot()->isLoaded() ||
      file->readIndexes(false) < 0 || !loadIndexes(*file, {0})) {
    return nullptr;
  }
  return install(kSolarSystem, std::move(file));
}

std::unique_ptr<CSkyDataFile> CSkyDatabase::takeReplacedSolarSystemFile() {
  return std::move(replaced_[kSolarSystem]);
}

CSkyDataFile* CSkyDatabase::loadStars(const char* name) {
  auto file = openCatalog(name, false);
  if (!file || file->loadRegionObjects(nullptr) < 0 || file->readIndexes(false) < 0 ||
      !loadIndexes(*file, {0, 1, 3, 2, 4, 21})) {
    return nullptr;
  }
  CSkyDataFile* installed = install(kStars, std::move(file));
  buildHRTable();
  return installed;
}

CSkyDataFile* CSkyDatabase::loadTychoStars(const char* name) {
  auto file = openCatalog(name, false);
  if (!file || file->readIndexes(false) < 0 || !loadIndexes(*file, {0})) return nullptr;
  return install(kTychoStars, std::move(file));
}

CSkyDataFile* CSkyDatabase::loadGuideStars(const char* name) {
  auto file = openCatalog(name, true);
  if (!file || file->readIndexes(false) < 0) return nullptr;
  return install(kGuideStars, std::move(file));
}

CSkyDataFile* CSkyDatabase::loadExtraFile(const char* name) {
  auto file = openCatalog(name, false);
  if (!file || file->readIndexes(false) < 0) return nullptr;
  return install(kExtra, std::move(file));
}

CSkyDataFile* CSkyDatabase::loadDeepSky(const char* name) {
  auto file = openCatalog(name, false);
  if (!file || file->loadRegionObjects(nullptr) < 0 || file->readIndexes(false) < 0 ||
      !loadIndexes(*file, {0, 101, 104, 102, 103, 112, 111})) {
    return nullptr;
  }
  return install(kDeepSky, std::move(file));
}

CSkyDataFile* CSkyDatabase::loadConstellations(const char* name) {
  std::string path;
  if (!buildPath(name, false, path)) return nullptr;
  auto file = std::make_unique<CSkyDataFile>(path.c_str());
  if (!file->isOpen() || file->reopen(nullptr) < 0) return nullptr;
  return install(kConstellations, std::move(file));
}

CSkyDataFile* CSkyDatabase::getDataFile(int fileNumber) const {
  switch (fileNumber) {
    case kSolarSystemFile: return getSolarSystemFile();
    case kStarsFile: return getStarsFile();
    case kGuideStarsFile: return getGuideStarsFile();
    case kDeepSkyFile: return getDeepSkyFile();
    case kConstellationsFile: return getConstellationsFile();
    case kTychoStarsFile: return getTychoStarsFile();
    default: return nullptr;
  }
}

CSkyObject* CSkyDatabase::getObject(const SkyObjectID* reference) {
  if (reference == nullptr) return nullptr;
  CSkyDataFile* file = getDataFile(reference->file);
  return file == nullptr ? nullptr : file->getObject(reference->region, reference->index);
}

void CSkyDatabase::setSkyObjectID(SkyObjectID* reference, std::uint16_t file,
                                  std::uint32_t region, std::uint16_t index,
                                  std::int64_t catalogNumber, const char* name,
                                  std::uint8_t type) {
  if (reference == nullptr) return;
  reference->file = file;
  reference->region = region;
  reference->index = index;
  reference->catnum = catalogNumber;
  copyName(reference->name, name);
  reference->type = type;
}

void CSkyDatabase::setSkyObjectIDFromObject(SkyObjectID* reference, std::uint16_t file,
                                            std::uint32_t region, std::uint16_t index,
                                            const CSkyObject* object) {
  std::int64_t number = 0;
  const char* name = nullptr;
  int type = 0;
  if (object != nullptr) {
    getObjectCatalogNumbers(object, &number, 1);
    if (getObjectNames(object, &name, 1) < 1) name = nullptr;
    type = object->getType();
  }
  setSkyObjectID(reference, file, region, index, number, name, static_cast<std::uint8_t>(type));
}

void CSkyDatabase::setSunObjectID(SkyObjectID* reference) {
  if (reference == nullptr) return;
  setSkyObjectID(reference, kSolarSystemFile, 0, 0, 0, "Sun", reference->type);
}

void CSkyDatabase::setEarthObjectID(SkyObjectID* reference) {
  if (reference == nullptr) return;
  setSkyObjectID(reference, kSolarSystemFile, 0, 3, 3, "Earth", reference->type);
}

void CSkyDatabase::clearSkyObjectID(SkyObjectID* reference) {
  if (reference == nullptr) return;
  setSkyObjectID(reference, kNoFile, 0xFFFFFFFFu, kNoObjectIndex, 0, "", reference->type);
}

bool CSkyDatabase::isInvalidSkyObjectID(const SkyObjectID* reference) {
  return reference == nullptr || reference->file == kNoFile || reference->region == 0xFFFFFFFFu ||
         reference->index == kNoObjectIndex;
}

bool CSkyDatabase::isSameSkyObjectID(const SkyObjectID* a, const SkyObjectID* b) {
  return a != nullptr && b != nullptr && a->file == b->file && a->region == b->region &&
         a->index == b->index;
}

bool CSkyDatabase::skyObjectIDInList(std::uint16_t file, std::uint32_t region,
                                     std::uint16_t index, std::int64_t catalogNumber,
                                     const char* name, const SkyObjectID* list, int count) {
  if (list == nullptr) return false;
  for (int i = 0; i < count; ++i) {
    const SkyObjectID& entry = list[i];
    if (entry.file == file && entry.region == region && entry.index == index) return true;
    if (catalogNumber != 0 && entry.catnum == catalogNumber) return true;
    if (name != nullptr && name[0] != '\0' && std::strncmp(entry.name, name, 31) == 0) return true;
  }
  return false;
}

void CSkyDatabase::buildHRTable() {
  hrTable_.clear();
  CSkyDataFile* stars = getStarsFile();
  CSkyDataIndex* index = stars == nullptr ? nullptr : stars->getIndex(kHRCatalog);
  if (index == nullptr) return;
  hrTable_.assign(kHRCatalogSize, SkyObjectID{0, 0, 0, 0, {}, 0});
  std::vector<CIndexEntry> found;
  for (int i = 0; i < kHRCatalogSize; ++i) {
    const std::int64_t number = static_cast<std::int64_t>(kHRCatalog) * kCatalogFactor + i + 1;
    found.clear();
    if (index->findByNumber(number, found, 1) > 0) {
      setSkyObjectID(&hrTable_[i], kStarsFile, found[0].region, found[0].index, number, "", 0);
    }
  }
}

CStar* CSkyDatabase::getStarByHRNumber(int n) {
  if (n < 1 || n > kHRCatalogSize || hrTable_.empty()) return nullptr;
  const SkyObjectID& entry = hrTable_[static_cast<std::size_t>(n - 1)];
  // Numbers the index lacks leave a zeroed entry, which names no star.
  if (entry.file != kStarsFile) return nullptr;
  CSkyObject* object = getObject(&entry);
  CStar* star = asStar(object);
  if (star == nullptr) releaseObject(object);
  return star;
}

CStar* CSkyDatabase::getBinaryComponentStar(const CBinaryStar* binary) {
  CSkyDataFile* stars = getStarsFile();
  if (binary == nullptr || stars == nullptr || binary->getCompanionIndex() < 0) return nullptr;
  CSkyObject* object = stars->getObject(binary->getCompanionRegion(),
                                        static_cast<std::uint16_t>(binary->getCompanionIndex()));
  CStar* star = asStar(object);
  if (star == nullptr) releaseObject(object);
  return star;
}
