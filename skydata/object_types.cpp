#include "skydata/object_types.h"

#include <cstring>

int objectTypeFromAbbreviation(const char* text) {
  if (text == nullptr) return 0;
  for (int i = 0; i < objectTypeCodeTableSize; ++i) {
    if (std::strcmp(objectTypeCodeTable[i].abbreviation, text) == 0) {
      return static_cast<int>(objectTypeCodeTable[i].code);
    }
  }
  return 0;
}

const char* objectTypeAbbreviation(int code) {
  for (int i = 0; i < objectTypeCodeTableSize; ++i) {
    if (objectTypeCodeTable[i].code == static_cast<std::uint64_t>(code)) {
      return objectTypeCodeTable[i].abbreviation;
    }
  }
  return "";
}

char* trimSpaces(char* text) {
  if (text == nullptr) return nullptr;
  std::size_t end = std::strlen(text);
  while (end > 0 && text[end - 1] == ' ') text[--end] = 0;
  while (*text == ' ') ++text;
  return text;
}
