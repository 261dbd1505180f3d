// Wavefront OBJ models with their MTL material libraries, loaded into
// arrays ready for GL drawing: interleaved 15-float vertices, a triangle
// index list, draw groups (runs of triangles of one material, opaque ones
// first) and materials with their textures.
//
// Thread rules: a model belongs to one thread; `load` uploads textures and
// `releaseTextures` and the destructor delete them, so those run on the
// thread whose GL context is current.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Loads an image file as a GL texture the way models want it (bottom row
// first); 0 when the file cannot be read or uploaded.
unsigned loadModelTexture(const char* path);

class CModel3D {
 public:
  // Floats of one vertex: position 3, texture u v, normal 3, tangent 3,
  // handedness, bitangent 3.
  static constexpr int kVertexFloats = 15;
  static constexpr int kTexCoordOffset = 3;
  static constexpr int kNormalOffset = 5;
  static constexpr int kTangentOffset = 8;
  static constexpr int kHandednessOffset = 11;
  static constexpr int kBitangentOffset = 12;
  // Lowest bit of `load`'s flags: compute normals even where the file has them.
  static constexpr std::uint32_t kForceNormals = 1;

  struct Material {
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0.0f;
    float opacity = 1.0f;
    std::string name;
    std::string diffuseTexture;
    std::string bumpTexture;
  };

  struct DrawGroup {
    std::uint32_t firstIndex;  // into indices(): 3 per triangle
    std::uint32_t triangleCount;
    const Material* material;
  };

  CModel3D() = default;
  ~CModel3D();
  CModel3D(const CModel3D&) = delete;
  CModel3D& operator=(const CModel3D&) = delete;

  // 1 on success, 0 on failure: the OBJ or a material library missing, a
  // texture that cannot be read, a face naming an element that does not
  // exist (index 0, past the elements read so far, or counting back past
  // the first). What was read is kept either way; the caller deletes it.
  int load(const char* path, std::uint32_t flags);

  // The box of the model's vertices: centre, extents and the largest one.
  void getBounds(float centre[3], float* sizeX, float* sizeY, float* sizeZ, float* largest) const;

  // The GL texture loaded for a texture file name; 0 when none.
  unsigned textureForName(const std::string& fileName) const;
  // Deletes every texture and forgets them.
  void releaseTextures();

  bool hasPositions() const { return hasPositions_; }
  bool hasTexCoords() const { return hasTexCoords_; }
  bool hasNormals() const { return hasNormals_; }
  bool hasTangents() const { return hasTangents_; }
  std::int32_t positionCount() const { return positionCount_; }
  std::int32_t texCoordCount() const { return texCoordCount_; }
  std::int32_t normalCount() const { return normalCount_; }
  std::int32_t triangleCount() const { return triangleCount_; }
  std::int32_t materialCount() const { return static_cast<std::int32_t>(materials_.size()); }
  std::int32_t vertexCount() const {
    return static_cast<std::int32_t>(vertices_.size() / kVertexFloats);
  }
  const float* center() const { return center_; }
  float sizeX() const { return size_[0]; }
  float sizeY() const { return size_[1]; }
  float sizeZ() const { return size_[2]; }
  float largestSize() const { return size_[3]; }
  const std::string& directory() const { return directory_; }
  const std::vector<DrawGroup>& drawGroups() const { return groups_; }
  const std::vector<Material>& materials() const { return materials_; }
  const std::vector<float>& vertices() const { return vertices_; }
  const std::vector<std::uint32_t>& indices() const { return indices_; }
  const std::vector<std::int32_t>& triangleMaterials() const { return triangleMaterials_; }

 private:
  struct Text;
  int loadUnguarded(const char* path, std::uint32_t flags);
  int countElements(const Text& text);
  int readElements(const Text& text);
  int loadMaterialLibrary(const std::string& path);
  bool addFace(const std::vector<std::string_view>& tokens);
  std::uint32_t addVertex(const float record[kVertexFloats], std::int32_t positionIndex);
  void addDefaultMaterial();
  void sortGroups();
  void computeNormals();
  void computeTangents();
  int loadTextures();

  bool hasPositions_ = false, hasTexCoords_ = false, hasNormals_ = false, hasTangents_ = false;
  std::int32_t positionCount_ = 0, texCoordCount_ = 0, normalCount_ = 0, triangleCount_ = 0;
  float center_[3] = {0, 0, 0};
  float size_[4] = {0, 0, 0, 0};
  std::string directory_;
  std::vector<DrawGroup> groups_;
  std::vector<Material> materials_;
  std::vector<float> vertices_;
  std::vector<std::uint32_t> indices_;
  std::vector<std::int32_t> triangleMaterials_;
  std::vector<float> positions_, texCoords_, normals_;
  std::map<std::string, std::int32_t> materialIndexByName_;
  // Vertices made from each position: the first, then a chain through
  // nextSamePosition_ (-1 ends it).
  std::vector<std::int32_t> firstByPosition_, nextSamePosition_;
  std::map<std::string, unsigned> texturesByName_;
  std::int32_t currentMaterial_ = 0;
};
