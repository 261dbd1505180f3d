// OBJ and MTL parsing, vertex sharing, draw groups, normals, tangent
// frames and model textures.
#include "chart/model3d.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>

#include "chart/gl_api.h"
#include "chart/image_files.h"
#include "skydata/open_file.h"

namespace {

// Models are a few megabytes; a larger file is not one of ours.
constexpr std::int64_t kMaxModelFileBytes = std::int64_t{1} << 28;
// Triangles stay countable in 32-bit indices, three per triangle.
constexpr std::int64_t kMaxTriangles = (std::int64_t{1} << 31) / 3 - 1;

bool readWholeFile(const char* path, const char* mode, std::string& out) {
  std::int64_t offset = 0, length = 0;
  std::FILE* file = openFileWithSize(path, mode, &offset, &length);
  if (file == nullptr) return false;
  bool ok = length >= 0 && length <= kMaxModelFileBytes && fseeko(file, offset, SEEK_SET) == 0;
  if (ok) {
    out.resize(static_cast<std::size_t>(length));
    ok = std::fread(out.data(), 1, out.size(), file) == out.size();
  }
  std::fclose(file);
  return ok;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The next blank-separated token; `rest` moves past it.
std::string_view nextToken(std::string_view& rest) {
  rest = trim(rest);
  std::size_t end = 0;
  while (end < rest.size() && !isBlank(rest[end])) ++end;
  const std::string_view token = rest.substr(0, end);
  rest.remove_prefix(end);
  return token;
}

std::string_view lastToken(std::string_view rest) {
  rest = trim(rest);
  std::size_t start = rest.size();
  while (start > 0 && !isBlank(rest[start - 1])) --start;
  return rest.substr(start);
}

// Calls f(keyword, rest of the line) for every line, read whole.
template <typename F>
void forEachStatement(std::string_view text, F&& f) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const std::string_view keyword = nextToken(line);
    if (!keyword.empty()) f(keyword, line);
  }
}

float parseFloat(std::string_view& rest) {
  std::string_view token = nextToken(rest);
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  float value = 0.0f;
  std::from_chars(token.data(), token.data() + token.size(), value);
  return value;
}

// Takes `count` numbers; missing ones are 0.
void parseFloats(std::string_view rest, float* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = parseFloat(rest);
}

bool parseWholeInt(std::string_view s, std::int32_t& out) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), out);
  return error == std::errc() && end == s.data() + s.size();
}

// How the corners of a face are written, decided by its first corner.
enum class FaceForm { kPosition, kPositionTexture, kPositionTextureNormal, kPositionNormal };

struct Corner {
  std::int32_t position = 0, texture = 0, normal = 0;
};

FaceForm faceFormOf(std::string_view token) {
  if (token.find("//") != std::string_view::npos) return FaceForm::kPositionNormal;
  switch (std::count(token.begin(), token.end(), '/')) {
    case 0:
      return FaceForm::kPosition;
    case 1:
      return FaceForm::kPositionTexture;
    default:
      return FaceForm::kPositionTextureNormal;
  }
}

// A corner in exactly the given form.
bool parseCorner(std::string_view token, FaceForm form, Corner& corner) {
  std::string_view parts[3];
  int count = 0;
  for (std::size_t start = 0;;) {
    const std::size_t slash = token.find('/', start);
    if (count == 3) return false;
    parts[count++] = token.substr(start, slash == std::string_view::npos ? slash : slash - start);
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  corner = Corner{};
  switch (form) {
    case FaceForm::kPosition:
      return count == 1 && parseWholeInt(parts[0], corner.position);
    case FaceForm::kPositionTexture:
      return count == 2 && parseWholeInt(parts[0], corner.position) &&
             parseWholeInt(parts[1], corner.texture);
    case FaceForm::kPositionTextureNormal:
      return count == 3 && parseWholeInt(parts[0], corner.position) &&
             parseWholeInt(parts[1], corner.texture) && parseWholeInt(parts[2], corner.normal);
    case FaceForm::kPositionNormal:
      return count == 3 && parts[1].empty() && parseWholeInt(parts[0], corner.position) &&
             parseWholeInt(parts[2], corner.normal);
  }
  return false;
}

// The corners of a face line, up to the first one not in the form of the
// first.
void parseFace(std::string_view rest, std::vector<Corner>& corners, FaceForm& form) {
  corners.clear();
  std::string_view token = nextToken(rest);
  form = faceFormOf(token);
  Corner corner;
  while (!token.empty() && parseCorner(token, form, corner)) {
    corners.push_back(corner);
    token = nextToken(rest);
  }
}

// A 1-based element index, or one counting back from the elements read so
// far, as a 0-based index; -1 when it names no element.
std::int32_t resolveIndex(std::int32_t index, std::int32_t available) {
  if (index > 0) return index <= available ? index - 1 : -1;
  if (index < 0) return index >= -available ? available + index : -1;
  return -1;
}

void normalize3(float* v) {
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length > 0.0f) {
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
  }
}

void cross3(const float* a, const float* b, float* out) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

struct CModel3D::Text {
  std::string bytes;
};

unsigned loadModelTexture(const char* path) {
  std::int64_t offset = 0, length = 0;
  std::FILE* file = openFileWithSize(path, "rb", &offset, &length);
  if (file == nullptr) return 0;
  GImage* image = fseeko(file, offset, SEEK_SET) == 0 ? readImageFile(file) : nullptr;
  std::fclose(file);
  if (image == nullptr) return 0;
  flipImageRows(image);
  const unsigned name = GImageToGLTexture(image);
  freeImage(image);
  return name;
}

CModel3D::~CModel3D() { releaseTextures(); }

int CModel3D::load(const char* path, std::uint32_t flags) {
  if (path == nullptr) return 0;
  try {
    return loadUnguarded(path, flags);
  } catch (const std::exception&) {  // memory short for a hostile count
    return 0;
  }
}

int CModel3D::loadUnguarded(const char* path, std::uint32_t flags) {
  Text text;
  if (!readWholeFile(path, "r", text.bytes)) return 0;
  directory_.clear();
  const std::string_view whole(path);
  std::size_t separator = whole.rfind('\\');
  if (separator == std::string_view::npos) separator = whole.rfind('/');
  if (separator != std::string_view::npos) directory_ = whole.substr(0, separator + 1);

  if (countElements(text) == 0) return 0;
  if (readElements(text) == 0) return 0;
  sortGroups();
  getBounds(center_, &size_[0], &size_[1], &size_[2], &size_[3]);
  if ((flags & kForceNormals) != 0 || !hasNormals_) computeNormals();
  const bool bump = std::any_of(materials_.begin(), materials_.end(),
                                [](const Material& m) { return !m.bumpTexture.empty(); });
  if (bump) computeTangents();
  return loadTextures();
}

int CModel3D::countElements(const Text& text) {
  std::int64_t positions = 0, texCoords = 0, normals = 0, triangles = 0;
  int result = 1;
  std::vector<Corner> corners;
  FaceForm form;
  forEachStatement(text.bytes, [&](std::string_view keyword, std::string_view rest) {
    if (keyword == "v") {
      ++positions;
    } else if (keyword == "vt") {
      ++texCoords;
    } else if (keyword == "vn") {
      ++normals;
    } else if (keyword == "f") {
      parseFace(rest, corners, form);
      if (corners.size() >= 3) triangles += static_cast<std::int64_t>(corners.size()) - 2;
    } else if (keyword == "mtllib") {
      const std::string_view name = lastToken(rest);
      if (name.empty() || loadMaterialLibrary(directory_ + std::string(name)) == 0) result = 0;
    }
  });
  if (result == 0 || triangles > kMaxTriangles) return 0;
  positionCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(positions, INT32_MAX));
  texCoordCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(texCoords, INT32_MAX));
  normalCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(normals, INT32_MAX));
  triangleCount_ = static_cast<std::int32_t>(triangles);
  hasPositions_ = positions >= 1;
  hasNormals_ = normals >= 1;
  hasTexCoords_ = texCoords >= 1;
  positions_.reserve(3 * static_cast<std::size_t>(positions));
  texCoords_.reserve(2 * static_cast<std::size_t>(texCoords));
  normals_.reserve(3 * static_cast<std::size_t>(normals));
  indices_.reserve(3 * static_cast<std::size_t>(triangles));
  triangleMaterials_.reserve(static_cast<std::size_t>(triangles));
  firstByPosition_.reserve(static_cast<std::size_t>(positions));
  if (materials_.empty()) addDefaultMaterial();
  return 1;
}

void CModel3D::addDefaultMaterial() {
  Material material;
  material.name = "default";
  materials_.push_back(material);
  materialIndexByName_["default"] = 0;
}

int CModel3D::loadMaterialLibrary(const std::string& path) {
  Text text;
  if (!readWholeFile(path.c_str(), "r", text.bytes)) return 0;
  std::size_t count = 0;
  forEachStatement(text.bytes, [&](std::string_view keyword, std::string_view) {
    if (keyword == "newmtl") ++count;
  });
  materials_.reserve(materials_.size() + count);
  Material* current = nullptr;
  forEachStatement(text.bytes, [&](std::string_view keyword, std::string_view rest) {
    if (keyword == "newmtl") {
      Material material;
      material.name = trim(rest);
      materialIndexByName_[material.name] = static_cast<std::int32_t>(materials_.size());
      materials_.push_back(std::move(material));
      current = &materials_.back();
      return;
    }
    if (current == nullptr) return;  // before the first material: nothing to apply it to
    if (keyword == "Ka" || keyword == "Kd" || keyword == "Ks") {
      float* colour = keyword == "Ka"   ? current->ambient
                      : keyword == "Kd" ? current->diffuse
                                        : current->specular;
      parseFloats(rest, colour, 3);
      colour[3] = 1.0f;
    } else if (keyword == "Ns") {
      current->shininess = parseFloat(rest) / 1000.0f;
    } else if (keyword == "Tr") {
      current->opacity = 1.0f - parseFloat(rest);
    } else if (keyword == "d") {
      current->opacity = parseFloat(rest);
    } else if (keyword == "illum") {
      std::int32_t model = 0;
      if (parseWholeInt(nextToken(rest), model) && model == 1) {
        std::fill(current->specular, current->specular + 3, 0.0f);
        current->specular[3] = 1.0f;
      }
    } else if (keyword == "map_Kd") {
      current->diffuseTexture = lastToken(rest);
    } else if (keyword == "map_bump") {
      current->bumpTexture = lastToken(rest);
    }
  });
  return 1;
}

int CModel3D::readElements(const Text& text) {
  bool ok = true;
  currentMaterial_ = 0;
  std::vector<Corner> corners;
  FaceForm form;
  forEachStatement(text.bytes, [&](std::string_view keyword, std::string_view rest) {
    if (!ok) return;
    float values[3];
    if (keyword == "v") {
      parseFloats(rest, values, 3);
      positions_.insert(positions_.end(), values, values + 3);
      firstByPosition_.push_back(-1);
    } else if (keyword == "vt") {
      parseFloats(rest, values, 2);
      texCoords_.insert(texCoords_.end(), values, values + 2);
    } else if (keyword == "vn") {
      parseFloats(rest, values, 3);
      normals_.insert(normals_.end(), values, values + 3);
    } else if (keyword == "usemtl") {
      const auto found = materialIndexByName_.find(std::string(trim(rest)));
      currentMaterial_ = found != materialIndexByName_.end() ? found->second : 0;
    } else if (keyword == "f") {
      parseFace(rest, corners, form);
      if (corners.size() < 3) return;  // a point or a line draws nothing
      const auto available = [](const std::vector<float>& v, int n) {
        return static_cast<std::int32_t>(v.size() / n);
      };
      float record[kVertexFloats];
      std::uint32_t fan[3] = {0, 0, 0};
      for (std::size_t k = 0; k < corners.size() && ok; ++k) {
        const std::int32_t p = resolveIndex(corners[k].position, available(positions_, 3));
        const bool textured =
            form == FaceForm::kPositionTexture || form == FaceForm::kPositionTextureNormal;
        const bool normal =
            form == FaceForm::kPositionNormal || form == FaceForm::kPositionTextureNormal;
        const std::int32_t t =
            textured ? resolveIndex(corners[k].texture, available(texCoords_, 2)) : 0;
        const std::int32_t n = normal ? resolveIndex(corners[k].normal, available(normals_, 3)) : 0;
        if (p < 0 || t < 0 || n < 0) {
          ok = false;
          break;
        }
        std::fill(record, record + kVertexFloats, 0.0f);
        std::copy_n(&positions_[3 * static_cast<std::size_t>(p)], 3, record);
        if (textured)
          std::copy_n(&texCoords_[2 * static_cast<std::size_t>(t)], 2, record + kTexCoordOffset);
        if (normal)
          std::copy_n(&normals_[3 * static_cast<std::size_t>(n)], 3, record + kNormalOffset);
        const std::uint32_t vertex = addVertex(record, p);
        // A fan: (first, second, third), then (first, previous, next).
        if (k < 2) {
          fan[k] = vertex;
          continue;
        }
        fan[2] = vertex;
        indices_.insert(indices_.end(), fan, fan + 3);
        triangleMaterials_.push_back(currentMaterial_);
        fan[1] = vertex;
      }
    }
  });
  triangleCount_ = static_cast<std::int32_t>(triangleMaterials_.size());
  return ok ? 1 : 0;
}

std::uint32_t CModel3D::addVertex(const float record[kVertexFloats], std::int32_t positionIndex) {
  for (std::int32_t v = firstByPosition_[static_cast<std::size_t>(positionIndex)]; v >= 0;
       v = nextSamePosition_[static_cast<std::size_t>(v)]) {
    if (std::equal(record, record + kVertexFloats,
                   &vertices_[static_cast<std::size_t>(v) * kVertexFloats])) {
      return static_cast<std::uint32_t>(v);
    }
  }
  const auto index = static_cast<std::int32_t>(nextSamePosition_.size());
  vertices_.insert(vertices_.end(), record, record + kVertexFloats);
  nextSamePosition_.push_back(firstByPosition_[static_cast<std::size_t>(positionIndex)]);
  firstByPosition_[static_cast<std::size_t>(positionIndex)] = index;
  return static_cast<std::uint32_t>(index);
}

void CModel3D::sortGroups() {
  groups_.clear();
  for (std::size_t t = 0; t < triangleMaterials_.size(); ++t) {
    const Material* material = &materials_[static_cast<std::size_t>(triangleMaterials_[t])];
    if (groups_.empty() || groups_.back().material != material) {
      groups_.push_back(DrawGroup{static_cast<std::uint32_t>(3 * t), 0, material});
    }
    ++groups_.back().triangleCount;
  }
  std::stable_sort(groups_.begin(), groups_.end(), [](const DrawGroup& a, const DrawGroup& b) {
    return a.material->opacity > b.material->opacity;
  });
}

void CModel3D::getBounds(float centre[3], float* sizeX, float* sizeY, float* sizeZ,
                         float* largest) const {
  float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
  for (std::size_t v = 0; v < vertices_.size(); v += kVertexFloats) {
    for (int k = 0; k < 3; ++k) {
      const float value = vertices_[v + static_cast<std::size_t>(k)];
      low[k] = v == 0 ? value : std::min(low[k], value);
      high[k] = v == 0 ? value : std::max(high[k], value);
    }
  }
  float size[3];
  for (int k = 0; k < 3; ++k) {
    centre[k] = 0.5f * (low[k] + high[k]);
    size[k] = high[k] - low[k];
  }
  *sizeX = size[0];
  *sizeY = size[1];
  *sizeZ = size[2];
  *largest = std::max({size[0], size[1], size[2]});
}

void CModel3D::computeNormals() {
  const std::size_t count = vertices_.size() / kVertexFloats;
  for (std::size_t v = 0; v < count; ++v)
    std::fill_n(&vertices_[v * kVertexFloats + kNormalOffset], 3, 0.0f);
  for (std::size_t i = 0; i + 2 < indices_.size(); i += 3) {
    float* p[3];
    for (int k = 0; k < 3; ++k)
      p[k] = &vertices_[indices_[i + static_cast<std::size_t>(k)] * std::size_t{kVertexFloats}];
    const float e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const float e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    float n[3];
    cross3(e1, e2, n);  // not normalised: larger triangles weigh more
    for (float* vertex : p) {
      for (int k = 0; k < 3; ++k) vertex[kNormalOffset + k] += n[k];
    }
  }
  for (std::size_t v = 0; v < count; ++v) normalize3(&vertices_[v * kVertexFloats + kNormalOffset]);
  hasNormals_ = true;
}

void CModel3D::computeTangents() {
  const std::size_t count = vertices_.size() / kVertexFloats;
  std::vector<float> bitangents(3 * count, 0.0f);
  for (std::size_t v = 0; v < count; ++v)
    std::fill_n(&vertices_[v * kVertexFloats + kTangentOffset], 7, 0.0f);
  for (std::size_t i = 0; i + 2 < indices_.size(); i += 3) {
    const std::uint32_t id[3] = {indices_[i], indices_[i + 1], indices_[i + 2]};
    const float* p[3];
    for (int k = 0; k < 3; ++k) p[k] = &vertices_[id[k] * std::size_t{kVertexFloats}];
    const float e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const float e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    const float du1 = p[1][3] - p[0][3], dv1 = p[1][4] - p[0][4];
    const float du2 = p[2][3] - p[0][3], dv2 = p[2][4] - p[0][4];
    const float det = du1 * dv2 - du2 * dv1;
    float t[3] = {1, 0, 0}, b[3] = {0, 1, 0};
    if (std::fabs(det) >= 1e-6f) {
      const float r = 1.0f / det;
      for (int k = 0; k < 3; ++k) {
        t[k] = (e1[k] * dv2 - e2[k] * dv1) * r;
        b[k] = (e2[k] * du1 - e1[k] * du2) * r;
      }
    }
    for (std::uint32_t vertex : id) {
      for (int k = 0; k < 3; ++k) {
        vertices_[vertex * std::size_t{kVertexFloats} + kTangentOffset +
                  static_cast<std::size_t>(k)] += t[k];
        bitangents[3 * vertex + static_cast<std::size_t>(k)] += b[k];
      }
    }
  }
  for (std::size_t v = 0; v < count; ++v) {
    float* record = &vertices_[v * kVertexFloats];
    const float* n = record + kNormalOffset;
    float* t = record + kTangentOffset;
    const float dot = n[0] * t[0] + n[1] * t[1] + n[2] * t[2];
    for (int k = 0; k < 3; ++k) t[k] -= n[k] * dot;
    normalize3(t);
    float c[3];
    cross3(n, t, c);
    const float* b = &bitangents[3 * v];
    record[kHandednessOffset] = c[0] * b[0] + c[1] * b[1] + c[2] * b[2] < 0.0f ? 1.0f : -1.0f;
    std::copy_n(c, 3, record + kBitangentOffset);
  }
  hasTangents_ = true;
}

int CModel3D::loadTextures() {
  for (const Material& material : materials_) {
    if (material.diffuseTexture.empty()) continue;
    for (const std::string* name : {&material.diffuseTexture, &material.bumpTexture}) {
      if (name->empty() || texturesByName_.count(*name) != 0) continue;
      const unsigned texture = loadModelTexture((directory_ + *name).c_str());
      if (texture == 0) return 0;
      texturesByName_[*name] = texture;
    }
  }
  return 1;
}

unsigned CModel3D::textureForName(const std::string& fileName) const {
  const auto found = texturesByName_.find(fileName);
  return found != texturesByName_.end() ? found->second : 0;
}

void CModel3D::releaseTextures() {
  for (const auto& entry : texturesByName_) {
    const GLuint name = entry.second;
    glDeleteTextures(1, &name);
  }
  texturesByName_.clear();
}
