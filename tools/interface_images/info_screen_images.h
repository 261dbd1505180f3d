// The information and list screens' image, drawn at scales 1 and 2 into
// the bundle's images folder:
//
//   Clock   19 x 19 pt  a clock face at ten past ten in the window's tint
//                       (the clock button of rows that show an event)
#pragma once

#include <filesystem>

// False when the image could not be written (it says why).
bool drawInfoScreenImages(const std::filesystem::path& folder);
