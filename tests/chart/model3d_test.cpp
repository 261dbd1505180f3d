// OBJ/MTL models: faces, shared corners, materials, normals and tangent
// frames on small files written here, damaged indices and keywords, and
// counts and bounds of real models against assimp's reading of them.
#include "chart/model3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/requirements.h"
#include "tests/support/temp_dir.h"

namespace {

using tessaly::test::TempDir;
using tessaly::test::writeFile;

class ChartModel3D : public testing::Test {
 protected:
  // Writes `obj` (and `mtl`, when given, as "m.mtl") and loads it.
  int load(const std::string& obj, const std::string& mtl = "") {
    // New files each time: rewriting one in place makes ext4 flush it.
    std::remove(dir_.file("m.mtl").c_str());
    std::remove(dir_.file("m.obj").c_str());
    if (!mtl.empty()) {
      EXPECT_TRUE(writeFile(dir_.file("m.mtl"), mtl));
    }
    EXPECT_TRUE(writeFile(dir_.file("m.obj"), obj));
    model_ = std::make_unique<CModel3D>();
    return model_->load(dir_.file("m.obj").c_str(), 0);
  }
  const float* vertex(std::uint32_t i) const {
    return &model_->vertices()[i * std::size_t{CModel3D::kVertexFloats}];
  }
  std::vector<std::uint32_t> indices() const { return model_->indices(); }

  TempDir dir_;
  std::unique_ptr<CModel3D> model_;
};

const char* kSquare =
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "vn 0 0 1\n";

TEST_F(ChartModel3D, AQuadIsAFanOfTwoTrianglesAndEqualCornersAreShared) {
  ASSERT_EQ(load(std::string(kSquare) + "f 1/1/1 2/2/1 3/3/1 4/4/1\n"), 1);
  EXPECT_EQ(model_->triangleCount(), 2);
  EXPECT_EQ(indices(), (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3}));
  EXPECT_EQ(model_->vertexCount(), 4);
  EXPECT_TRUE(model_->hasPositions() && model_->hasTexCoords() && model_->hasNormals());
  EXPECT_FALSE(model_->hasTangents());
  EXPECT_EQ(vertex(2)[0], 1.0f);
  EXPECT_EQ(vertex(2)[CModel3D::kTexCoordOffset + 1], 1.0f);
  EXPECT_EQ(vertex(2)[CModel3D::kNormalOffset + 2], 1.0f);
  // The same corners in two faces: one vertex each. With another normal
  // the corner becomes a second vertex.
  ASSERT_EQ(load(std::string(kSquare) + "vn 0 1 0\nf 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n" +
                 "f 1/1/2 2/2/1 3/3/1\n"),
            1);
  EXPECT_EQ(model_->vertexCount(), 5);
  EXPECT_EQ(indices(), (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 4, 1, 2}));
}

TEST_F(ChartModel3D, WithoutALibraryEveryFaceHasTheDefaultMaterial) {
  ASSERT_EQ(load("v 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl nothing\nf 1 2 3\n"), 1);
  ASSERT_EQ(model_->materialCount(), 1);
  const CModel3D::Material& m = model_->materials()[0];
  EXPECT_EQ(m.name, "default");
  EXPECT_EQ(std::vector<float>(m.ambient, m.ambient + 4),
            (std::vector<float>{0.2f, 0.2f, 0.2f, 1}));
  EXPECT_EQ(std::vector<float>(m.diffuse, m.diffuse + 4),
            (std::vector<float>{0.8f, 0.8f, 0.8f, 1}));
  EXPECT_EQ(std::vector<float>(m.specular, m.specular + 4), (std::vector<float>{0, 0, 0, 1}));
  EXPECT_EQ(m.opacity, 1.0f);
  ASSERT_EQ(model_->drawGroups().size(), 1u);
  EXPECT_EQ(model_->drawGroups()[0].material, &m);
}

TEST_F(ChartModel3D, MissingNormalsAreSumsOfFaceCrossProductsWeightedByArea) {
  // Two faces at vertex 1: a large one in z = 0 and a small one in x = 0.
  ASSERT_EQ(load("v 0 0 0\nv 4 0 0\nv 0 4 0\nv 0 0 1\nv 0 1 0\nf 1 2 3\nf 1 5 4\n"), 1);
  EXPECT_TRUE(model_->hasNormals());
  // Cross products (0, 0, 16) and (1, 0, 0): the shared corner leans to z.
  const float* shared = vertex(0) + CModel3D::kNormalOffset;
  const double length = std::sqrt(16.0 * 16.0 + 1.0);
  EXPECT_NEAR(shared[0], 1.0 / length, 1e-6);
  EXPECT_NEAR(shared[2], 16.0 / length, 1e-6);
  EXPECT_NEAR(vertex(1)[CModel3D::kNormalOffset + 2], 1.0f, 1e-6);
  // A degenerate triangle leaves its own corners without a normal.
  ASSERT_EQ(load("v 0 0 0\nv 1 1 1\nv 2 2 2\nf 1 2 3\n"), 1);
  EXPECT_EQ(vertex(1)[CModel3D::kNormalOffset], 0.0f);
}

TEST_F(ChartModel3D, MaterialKeywordsAreMatchedWholeAndTranslucentGroupsComeLast) {
  const std::string mtl =
      "Kd 0 0 0\n"  // before any material: nowhere to go
      "newmtl glass\nKa 0.1 0.2 0.3\nKd 0.4 0.5 0.6\nKs 0.7 0.8 0.9\nKe 1 1 1\n"
      "Ns 500\nNi 1.45\nTr 0.25\nillum 2\nnorm n.png\n"
      "newmtl stone\nKs 1 1 1\nillum 1\nd 0.9\ndisp 0.1\n"
      "newmtl paint\n";
  const std::string obj =
      "mtllib m.mtl\nmg 1 m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
      "usemtl glass\nf 1 2 3\nusemtl stone\nf 1 2 3\nf 1 3 2\nusemtl paint\nf 2 3 1\n";
  ASSERT_EQ(load(obj, mtl), 1);
  ASSERT_EQ(model_->materialCount(), 3);
  const CModel3D::Material& glass = model_->materials()[0];
  EXPECT_EQ(glass.name, "glass");
  EXPECT_FLOAT_EQ(glass.ambient[2], 0.3f);
  EXPECT_FLOAT_EQ(glass.diffuse[0], 0.4f);
  EXPECT_FLOAT_EQ(glass.specular[1], 0.8f);
  EXPECT_EQ(glass.specular[3], 1.0f);
  EXPECT_FLOAT_EQ(glass.shininess, 0.5f);  // "Ni" is another keyword
  EXPECT_FLOAT_EQ(glass.opacity, 0.75f);
  const CModel3D::Material& stone = model_->materials()[1];
  EXPECT_EQ(std::vector<float>(stone.specular, stone.specular + 4),
            (std::vector<float>{0, 0, 0, 1}));
  EXPECT_FLOAT_EQ(stone.opacity, 0.9f);  // "disp" is not "d"
  EXPECT_EQ(model_->materials()[2].diffuse[0], 0.8f);
  // Groups: paint (opaque), stone, glass; each a run of one material.
  const auto& groups = model_->drawGroups();
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[0].material->name, "paint");
  EXPECT_EQ(groups[0].firstIndex, 9u);
  EXPECT_EQ(groups[1].material->name, "stone");
  EXPECT_EQ(groups[1].triangleCount, 2u);
  EXPECT_EQ(groups[2].material->name, "glass");
  EXPECT_EQ(groups[2].firstIndex, 0u);
  // A library that is not there fails the model.
  EXPECT_EQ(load("mtllib absent.mtl\nv 0 0 0\n"), 0);
}

TEST_F(ChartModel3D, IndicesCountBackFromTheElementsReadSoFar) {
  ASSERT_EQ(load("v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 5 5 5\nf 1 2 -1\n"), 1);
  EXPECT_EQ(indices(), (std::vector<std::uint32_t>{0, 1, 2, 0, 1, 3}));
  EXPECT_EQ(vertex(3)[0], 5.0f);
  EXPECT_EQ(model_->positionCount(), 4);
}

TEST_F(ChartModel3D, FacesNamingElementsThatDoNotExistFailTheModel) {
  const std::string three = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n";
  EXPECT_EQ(load(three + "f 0 1 2\n"), 0);
  EXPECT_EQ(load(three + "f 1 2 4\n"), 0);
  EXPECT_EQ(load(three + "f 1 2 -4\n"), 0);
  EXPECT_EQ(load(three + "f 1/1 2/2 3/1\n"), 0);               // one texture coordinate
  EXPECT_EQ(load(three + "f 1//1 2//1 3//1\n"), 0);            // no normals at all
  EXPECT_EQ(load("f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"), 0);  // named before read
  EXPECT_EQ(load(three + "f 1 2 99999999999\n"), 1);           // not a number: the face ends there
  EXPECT_EQ(model_->triangleCount(), 0);
}

TEST_F(ChartModel3D, PointsAndLinesDrawNothingAndLongLinesAreReadWhole) {
  std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\nf 1\nl 1 2\n";
  // A comment longer than any line buffer, ending in something face-like.
  obj += "# " + std::string(300, 'x') + " f 1 2 3\n";
  // A polygon of 120 corners on a circle: 118 triangles.
  std::ostringstream polygon;
  for (int k = 0; k < 120; ++k) {
    polygon << "v " << std::cos(k * 0.05235987755982988) << " " << std::sin(k * 0.05235987755982988)
            << " 0\n";
  }
  polygon << "f";
  for (int k = 4; k <= 123; ++k) polygon << " " << k;
  polygon << "\n";
  ASSERT_EQ(load(obj + polygon.str()), 1);
  EXPECT_EQ(model_->triangleCount(), 118);
  EXPECT_EQ(model_->vertexCount(), 120);
  // Forms are decided by the first corner; a corner in another form ends the face.
  ASSERT_EQ(load(std::string(kSquare) + "f 1/1 2/2 3/3 4/4/1\n"), 1);
  EXPECT_EQ(model_->triangleCount(), 1);
}

TEST_F(ChartModel3D, BumpMappedMaterialsGetTangentFrames) {
  // The textures are not there, so the model fails, keeping what it read.
  const std::string mtl = "newmtl rock\nmap_Kd -s 1 1 1 rock.png\nmap_bump rock_n.png\n";
  EXPECT_EQ(
      load(std::string(kSquare) + "mtllib m.mtl\nusemtl rock\nf 1/1/1 2/2/1 3/3/1 4/4/1\n", mtl),
      0);
  EXPECT_EQ(model_->materials()[0].diffuseTexture, "rock.png");
  EXPECT_EQ(model_->materials()[0].bumpTexture, "rock_n.png");
  ASSERT_TRUE(model_->hasTangents());
  // u runs along x, v along y: tangent (1, 0, 0), bitangent n x t = (0, 1, 0).
  for (std::uint32_t v = 0; v < 4; ++v) {
    const float* record = vertex(v);
    EXPECT_NEAR(record[CModel3D::kTangentOffset], 1.0f, 1e-6);
    EXPECT_NEAR(record[CModel3D::kBitangentOffset + 1], 1.0f, 1e-6);
    EXPECT_EQ(record[CModel3D::kHandednessOffset], -1.0f);
  }
  EXPECT_EQ(model_->textureForName("rock.png"), 0u);
  EXPECT_EQ(model_->directory(), dir_.path().string() + "/");
}

TEST_F(ChartModel3D, BoundsSpanTheVertices) {
  ASSERT_EQ(load("v -1 2 3\nv 5 -2 3\nv 0 0 -7\nv 100 100 100\nf 1 2 3\n"), 1);
  EXPECT_EQ(model_->center()[0], 2.0f);
  EXPECT_EQ(model_->center()[2], -2.0f);
  EXPECT_EQ(model_->sizeX(), 6.0f);
  EXPECT_EQ(model_->sizeY(), 4.0f);
  EXPECT_EQ(model_->sizeZ(), 10.0f);
  EXPECT_EQ(model_->largestSize(), 10.0f);  // the unused vertex is not drawn
  EXPECT_EQ(CModel3D().load("/nonexistent/m.obj", 0), 0);
}

// What assimp (assimp-utils) reads from an OBJ file: triangles and the box
// ("assimp info"), and the vertices left when identical ones are joined
// (the vertex count of a PLY export with -jiv).
struct AssimpInfo {
  long faces = -1, vertices = -1;
  double low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
};

AssimpInfo assimpInfo(const std::string& path) {
  AssimpInfo info;
  FILE* pipe = popen(("assimp info '" + path + "' 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return info;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::sscanf(line, "Faces: %ld", &info.faces);
    std::sscanf(line, "Vertices: %ld", &info.vertices);
    std::sscanf(line, "Minimum point (%lf %lf %lf)", &info.low[0], &info.low[1], &info.low[2]);
    std::sscanf(line, "Maximum point (%lf %lf %lf)", &info.high[0], &info.high[1], &info.high[2]);
  }
  pclose(pipe);
  TempDir scratch;
  const std::string ply = scratch.file("joined.ply");
  if (std::system(("assimp export '" + path + "' '" + ply + "' -jiv >/dev/null 2>&1").c_str()) == 0) {
    std::istringstream header(tessaly::test::readFile(ply).substr(0, 512));
    std::string line;
    while (std::getline(header, line)) std::sscanf(line.c_str(), "element vertex %ld", &info.vertices);
  }
  return info;
}

TEST(ChartModel3DOracle, RealModelsHaveAssimpsTrianglesVerticesAndBounds) {
  if (!tessaly::test::programInstalled("assimp"))
    TESSALY_SKIP_OR_FAIL("assimp-utils is not installed");
  const std::string folder = "/usr/share/stellarium/models/";
  int compared = 0;
  for (const char* name :
       {"j5amalthea_MLfix", "4vesta_21_MLfix", "243ida_MLfix", "951gaspra_MLfix", "s10janus_MLfix",
        "s7hyperion_21_MLfix", "n8proteus_MLfix", "67P_lowres"}) {
    SCOPED_TRACE(name);
    const std::string path = folder + name + ".obj";
    if (std::FILE* probe = std::fopen(path.c_str(), "r")) {
      std::fclose(probe);
    } else {
      TESSALY_SKIP_OR_FAIL("stellarium-data's models are not installed");
    }
    CModel3D model;
    model.load(path.c_str(), 0);  // textures need GL: the arrays are read all the same
    const AssimpInfo info = assimpInfo(path);
    ASSERT_GT(info.faces, 0);
    EXPECT_EQ(model.triangleCount(), info.faces);
    EXPECT_EQ(model.vertexCount(), info.vertices);
    for (int k = 0; k < 3; ++k) {
      const float size[3] = {model.sizeX(), model.sizeY(), model.sizeZ()};
      EXPECT_NEAR(model.center()[k] - size[k] / 2, info.low[k],
                  1e-4 * (1 + std::fabs(info.low[k])));
      EXPECT_NEAR(model.center()[k] + size[k] / 2, info.high[k],
                  1e-4 * (1 + std::fabs(info.high[k])));
    }
    ++compared;
  }
  EXPECT_EQ(compared, 8);
}

}  // namespace
