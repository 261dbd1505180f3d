// The shapefile hooks over skydata's file opener, and their bookkeeping of
// where each open file's resource lies.
#include "chart/shape_file_hooks.h"

#include <sys/types.h>

#include <cstdio>
#include <map>

#include "skydata/open_file.h"
#include "support/utf8.h"

namespace {

struct Resource {
  std::int64_t start;
  std::int64_t length;
};

std::map<SAFile, Resource>& openResources() {
  static std::map<SAFile, Resource> resources;
  return resources;
}

std::FILE* asFile(SAFile file) { return reinterpret_cast<std::FILE*>(file); }
SAFile asHandle(std::FILE* file) { return reinterpret_cast<SAFile>(file); }

constexpr SAOffset kSeekFailed = static_cast<SAOffset>(-1);

bool& notesOn() {
  static bool on = false;
  return on;
}

}  // namespace

SAFile shapeFileOpenRegion(const char* path, const char* mode, std::int64_t start,
                           std::int64_t length) {
  std::int64_t offset = 0, size = 0;
  std::FILE* file = openFileWithSize(path, mode, &offset, &size);
  if (file == nullptr) return nullptr;
  start += offset;
  if (start < 0 || length < 0 || start > size || length > size - start ||
      fseeko(file, static_cast<off_t>(start), SEEK_SET) != 0) {
    std::fclose(file);
    return nullptr;
  }
  openResources()[asHandle(file)] = {start, length};
  return asHandle(file);
}

SAFile shapeFileOpen(const char* path, const char* mode) {
  std::int64_t offset = 0, length = 0;
  std::FILE* file = openFileWithSize(path, mode, &offset, &length);
  if (file == nullptr) return nullptr;
  openResources()[asHandle(file)] = {offset, length};
  return asHandle(file);
}

SAOffset shapeFileSeek(SAFile file, SAOffset offset, int whence) {
  auto it = openResources().find(file);
  if (it == openResources().end()) return kSeekFailed;
  const Resource& r = it->second;
  // shapelib hands signed offsets over in an unsigned type.
  const auto signedOffset = static_cast<std::int64_t>(offset);
  int result = -1;
  switch (whence) {
    case SEEK_SET: result = fseeko(asFile(file), static_cast<off_t>(r.start + signedOffset), SEEK_SET); break;
    case SEEK_CUR: result = fseeko(asFile(file), static_cast<off_t>(signedOffset), SEEK_CUR); break;
    case SEEK_END:
      result = fseeko(asFile(file), static_cast<off_t>(r.start + r.length + signedOffset), SEEK_SET);
      break;
    default: break;
  }
  return result == 0 ? 0 : kSeekFailed;
}

SAOffset shapeFileTell(SAFile file) {
  auto it = openResources().find(file);
  if (it == openResources().end()) return kSeekFailed;
  const off_t position = ftello(asFile(file));
  if (position < 0) return kSeekFailed;
  return static_cast<SAOffset>(static_cast<std::int64_t>(position) - it->second.start);
}

int shapeFileClose(SAFile file) {
  openResources().erase(file);
  return std::fclose(asFile(file));
}

void shapeFileError(const char* message) {
  if (notesOn()) std::fprintf(stderr, "%s\n", printableText(message).c_str());
}

void setShapeFileNotes(bool on) { notesOn() = on; }

void setupShapeFileHooks(SAHooks* hooks) {
  SASetupDefaultHooks(hooks);
  hooks->FOpen = shapeFileOpen;
  hooks->FSeek = shapeFileSeek;
  hooks->FTell = shapeFileTell;
  hooks->FClose = shapeFileClose;
  hooks->Error = shapeFileError;
}
