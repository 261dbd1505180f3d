// Mutated OBJ files and material libraries: a model loads or fails, and
// whatever it holds afterwards is consistent (every index names a vertex,
// every group lies inside the index list).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/model3d.h"
#include "tests/support/fuzz.h"
#include "tests/support/temp_dir.h"

namespace {

int iterations(int suite) {
  const char* value = std::getenv("TESSALY_FUZZ_ITERATIONS");
  return value && std::atoi(value) > 0 ? std::atoi(value) : suite;
}

const char* kObj =
    "# a box\nmtllib m.mtl\no box\ng side\n"
    "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 -1\nvn 0 0 1\nvn 1 0 0\n"
    "usemtl red\nf 1/1/1 2/2/1 3/3/1 4/4/1\nf 5/1/2 6/2/2 7/3/2 8/4/2\n"
    "usemtl glass\ns 1\nf 2//3 3//3 7//3 6//3\nf -1 -2 -3\nf 1/1 2/2 3/3\n";
const char* kMtl =
    "newmtl red\nKa 0.2 0 0\nKd 1 0 0\nKs 0.5 0.5 0.5\nNs 250\nillum 2\n"
    "newmtl glass\nKd 0.8 0.9 1\nTr 0.7\nd 0.3\nillum 1\n";

struct Outcome {
  int loaded = 0, failed = 0;
};

void checkModel(const CModel3D& model, bool loaded) {
  const std::uint32_t vertices = static_cast<std::uint32_t>(model.vertexCount());
  for (std::uint32_t index : model.indices()) ASSERT_LT(index, vertices);
  ASSERT_EQ(model.indices().size(), 3 * model.triangleMaterials().size());
  std::uint64_t covered = 0;
  for (const auto& group : model.drawGroups()) {
    ASSERT_LE(group.firstIndex + 3ull * group.triangleCount, model.indices().size());
    ASSERT_NE(group.material, nullptr);
    covered += group.triangleCount;
  }
  // Groups are built once the whole file has been read.
  if (loaded) {
    ASSERT_EQ(covered, model.triangleMaterials().size());
  }
}

void fuzzFile(bool mutateObj, int suiteIterations, Outcome& outcome) {
  tessaly::test::TempDir dir;
  const std::string objPath = dir.file("m.obj"), mtlPath = dir.file("m.mtl");
  ASSERT_TRUE(tessaly::test::writeFile(mutateObj ? mtlPath : objPath, mutateObj ? kMtl : kObj));
  tessaly::test::FuzzOptions options;
  options.iterations = iterations(suiteIterations);
  options.maxSize = 4096;
  tessaly::test::fuzz(
      {mutateObj ? kObj : kMtl},
      [&](std::string_view data) {
        // A new file each time: rewriting one in place makes ext4 flush it.
        const std::string& path = mutateObj ? objPath : mtlPath;
        std::remove(path.c_str());
        ASSERT_TRUE(tessaly::test::writeFile(path, std::string(data)));
        CModel3D model;
        const bool loaded = model.load(objPath.c_str(), 0) == 1;
        (loaded ? outcome.loaded : outcome.failed)++;
        checkModel(model, loaded);
      },
      options);
}

TEST(ChartModel3DFuzz, MutatedObjFilesLoadOrFailConsistently) {
  Outcome outcome;
  fuzzFile(true, 3000, outcome);
  std::printf("OBJ: loaded %d, failed %d\n", outcome.loaded, outcome.failed);
  EXPECT_GT(outcome.loaded, 300);
  EXPECT_GT(outcome.failed, 30);
}

TEST(ChartModel3DFuzz, MutatedMaterialLibrariesLoadConsistently) {
  Outcome outcome;
  fuzzFile(false, 2000, outcome);
  std::printf("MTL: loaded %d, failed %d\n", outcome.loaded, outcome.failed);
  EXPECT_GT(outcome.loaded, 1000);
}

}  // namespace
