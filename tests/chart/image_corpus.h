// The image corpus of tests/chart/make_image_corpus.py: files of every
// layout the chart reads, each with Pillow's decode as 8-bit RGBA, written
// once per test program into a scratch folder.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace image_corpus {

struct Entry {
  std::string file;  // full path
  std::string name;  // file name
  std::uint32_t width = 0, height = 0;
  std::string expected;  // Pillow's RGBA bytes; empty when no reader may accept the file
  bool acceptable = false;
};

class Corpus {
 public:
  // `seedsOnly` writes a few small files per format (fuzzing seeds).
  explicit Corpus(bool seedsOnly = false) {
    const char* root = std::getenv("TESSALY_SOURCE_DIR");
    const std::string command = "/usr/bin/python3 " + std::string(root ? root : ".") +
                                "/tests/chart/make_image_corpus.py " + dir_.path().string() +
                                (seedsOnly ? " --fuzz-seeds" : "");
    if (std::system(command.c_str()) != 0) return;
    std::ifstream manifest(dir_.file("manifest.txt"));
    std::string line;
    while (std::getline(manifest, line)) {
      std::istringstream fields(line);
      Entry entry;
      std::string expected;
      fields >> entry.name >> entry.width >> entry.height >> expected;
      entry.file = dir_.file(entry.name);
      entry.acceptable = expected != "null";
      if (entry.acceptable) entry.expected = tessaly::test::readFile(dir_.file(expected));
      entries_.push_back(entry);
    }
  }
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  tessaly::test::TempDir dir_;
  std::vector<Entry> entries_;
};

}  // namespace image_corpus
