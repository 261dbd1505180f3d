// The file hooks through which shapelib reads the world borders: a
// shapefile may lie anywhere inside a larger resource file, so every open
// file remembers where its resource starts and how long it is, and seeks
// and tells are relative to that start.
//
// Thread rules: the bookkeeping is process-wide; main thread only.
#pragma once

#include <cstdint>

#include <shapefil.h>

// Opens through openFileWithSize; the resource is the whole file.
SAFile shapeFileOpen(const char* path, const char* mode);
// Seeks from the resource's start (SEEK_SET), the current position
// (SEEK_CUR, the offset read as signed) or its end (SEEK_END); 0, or -1
// for any other whence or a failed seek.
SAOffset shapeFileSeek(SAFile file, SAOffset offset, int whence);
// The position relative to the resource's start.
SAOffset shapeFileTell(SAFile file);
int shapeFileClose(SAFile file);

// Opens the `length` bytes at `start` of the file at `path` as the
// resource; null when the file cannot be opened or is shorter.
SAFile shapeFileOpenRegion(const char* path, const char* mode, std::int64_t start,
                           std::int64_t length);

// shapelib's complaints about a file it reads (a short read, a damaged
// record), one per record: the loader's result lets the launch name the
// damaged file once, so they reach standard error only with notes on (the
// program turns them on when it traces).
void shapeFileError(const char* message);
void setShapeFileNotes(bool on);

// shapelib's default hooks with open, seek, tell, close and the error
// report replaced by the five above.
void setupShapeFileHooks(SAHooks* hooks);

// Loads the country table through the given hooks (loadWorldBorders with
// the chart's own).
int loadWorldBordersWithHooks(const char* path, SAHooks* hooks);
