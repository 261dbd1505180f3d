// Identifier index and text lookups of the body table.
#include "engine/body_table.h"

namespace {

struct BodyIndex {
  int rows[kMaxBodyIdentifier + 1];
};

// Built once, on the first lookup from whichever thread makes it: the
// engine's searches run on several threads at once.
const BodyIndex& bodyIndex() {
  static const BodyIndex index = [] {
    BodyIndex built;
    for (int& entry : built.rows) entry = -1;
    for (int r = 0; r < kBodyTableRows; ++r) built.rows[kBodyTable[r].identifier] = r;
    return built;
  }();
  return index;
}

}  // namespace

void buildBodyIndex() { bodyIndex(); }

int bodyRowIndex(int identifier) {
  if (identifier < 0 || identifier > kMaxBodyIdentifier) return -1;
  return bodyIndex().rows[identifier];
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
