// The deep-sky photographs' index: one tab-separated line per picture
// (file name, object name, epoch, centre right ascension "h m s" and
// declination "d m s", angle of the picture's vertical axis in degrees,
// scale in arcseconds per pixel, width and height in pixels), read once
// into records with the pictures' corner directions. The angle turns the
// vertical axis from north towards the west (0: north up, east left):
// the opposite sense to an astronomical position angle.
//
// Every field is read with a bounded, checked conversion: a name longer
// than its record is cut (object names) or the line refused (file names,
// a cut one would name another file), a number out of its type's range
// counts as not given, and a line over 255 characters is refused whole.
// Nothing in the file can overflow a record.
//
// Thread rules: the records belong to the chart's thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "chart/image_files.h"
#include "skydata/sky_object_id.h"

// Records of the table: the bundle's 551 pictures in six sets take 3,306.
inline constexpr int kMaxDeepSkyImages = 4096;
inline constexpr int kDeepSkyImagePathSize = 512;

struct DeepSkyImage {
  char file[kDeepSkyImagePathSize];  // relative to the "/DeepSky/" folder
  SkyObjectID object;                // the name from the index, the rest cleared
  double positionAngle;              // of the vertical axis from north towards west, radians
  double ra, dec;                    // of the centre, J2000, radians
  double corners[4][3];              // J2000 unit vectors, from the top left clockwise
  double scale;                      // radians per pixel
  std::int64_t width, height;        // pixels
  TextureData texture;               // loaded while shown
  bool unreadable;                   // its file failed to load: not tried again
};

struct DeepSkyImageTable {
  std::vector<DeepSkyImage> images;  // at most kMaxDeepSkyImages
};

// The corner directions of a picture of width x height pixels of `scale`
// radians each, centred on (ra, dec) with its vertical axis turned from
// north towards the west by `angle`: top left, top right, bottom right,
// bottom left, each a unit vector of the centre's frame.
void computeImageCorners(std::int64_t width, std::int64_t height, double corners[4][3],
                         double scale, double ra, double dec, double angle);

// Appends the accepted lines of an index of `length` bytes open at its
// start to `images` (up to kMaxDeepSkyImages in all), precessed to J2000;
// `folder` (may be null) prefixes the file names with folder + "/".
// Returns the number appended.
int readDeepSkyImageIndex(std::FILE* file, std::int64_t length, const char* folder,
                          std::vector<DeepSkyImage>& images);

// The picture set for a screen scale in arcseconds per pixel: "4s", "8s",
// "15s", "30s", "60s" or "120s", the first whose bound the scale is below.
const char* deepSkyImageVariant(double arcsecondsPerPixel);
