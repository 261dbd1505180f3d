// An object's names in English, whatever the interface language: the
// screens look description pages up by them and search for objects that
// have none.
#pragma once

#include <cstddef>

class CSkyObject;

// Writes up to `count` names into the caller's buffers (each of `size`
// bytes, names cut to fit) and returns how many it wrote: a body's,
// constellation's or meteor shower's name; a star's or deep-sky object's
// designations in their long form (up to 8), then its proper names (up to
// 8); nothing for surface features. The engine's language is English for
// the call and as it was after it. `context` is unused.
int getEnglishObjectNames(void* context, const CSkyObject* object, char* const* buffers, int count,
                          std::size_t size);
