// Identifier index and text lookups of the body table.
#include "engine/body_table.h"

namespace {
int gBodyIndex[kMaxBodyIdentifier + 1];
bool gBodyIndexBuilt = false;
}  // namespace

void buildBodyIndex() {
  for (int& entry : gBodyIndex) entry = -1;
  for (int r = 0; r < kBodyTableRows; ++r) gBodyIndex[kBodyTable[r].identifier] = r;
  gBodyIndexBuilt = true;
}

int bodyRowIndex(int identifier) {
  if (identifier < 0 || identifier > kMaxBodyIdentifier) return -1;
  // Built on first use as well, so that no lookup can run on an empty index.
  if (!gBodyIndexBuilt) buildBodyIndex();
  return gBodyIndex[identifier];
}

const BodyTableRow* bodyTableRow(int identifier) {
  const int row = bodyRowIndex(identifier);
  return row < 0 ? nullptr : &kBodyTable[row];
}

const char* bodyTableField(int identifier, int k) {
  const BodyTableRow* row = bodyTableRow(identifier);
  if (!row) return nullptr;
  if (k >= 0 && k <= 4) return row->names[k];
  if (k == 5) return row->provisional;
  if (k == 6) return row->numeral;
  return nullptr;
}
