#include "temp_dir.h"

#include <gtest/gtest.h>

TEST(TempDir, HoldsFilesAndIsRemovedAfterwards) {
  std::filesystem::path kept;
  {
    tessaly::test::TempDir dir;
    kept = dir.path();
    ASSERT_TRUE(tessaly::test::writeFile(dir.file("a.bin"), std::string("x\0y", 3)));
    EXPECT_EQ(tessaly::test::readFile(dir.file("a.bin")), std::string("x\0y", 3));
  }
  EXPECT_FALSE(std::filesystem::exists(kept));
}
