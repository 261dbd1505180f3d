// The one opener of the program's data files (catalogues, images, the
// ephemeris, tabulated orbits, the world borders).
#pragma once

#include <cstdint>
#include <cstdio>

// Opens `path` with the stdio `mode`. When `length` is given and the file
// opened, measures it (seek to the end and back) and stores its byte
// length; `offset`, when given, always receives 0, the position at which
// the resource starts within the file. Returns the open file, or null
// (outputs untouched but `offset`) when it cannot be opened or measured.
std::FILE* openFileWithSize(const char* path, const char* mode, std::int64_t* offset,
                            std::int64_t* length);
