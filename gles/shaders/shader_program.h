// A GL program object: one vertex and one fragment shader and, once linked,
// the program's active vertex attributes, its uniforms and samplers with
// their GL locations, and a uniform buffer per stage. Linking parses no
// text: the linker asks Metal for a pipeline of the two functions with
// reflection and derives every variable, its type, size and byte offset
// from the reflected arguments. GLID 0 is the default program, which has
// no shaders and counts as linked.
//
// Locations: vertex attributes in the order the vertex function declares
// them, unless bound beforehand; uniforms in order of discovery (the vertex
// stage's arguments and structure members first, then what only the
// fragment stage uses), an array taking one location per element and a
// sampler one per texture it reads.
//
// The virtual operations are what the renderer, the pipeline state and the
// vertex arrays ask of a program; tests of those stand in for a linked
// program by overriding them.
//
// Thread rules: a program is used by the thread of the current context.
// The interned attribute layouts are shared by every thread and guarded by
// one mutex.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "gles/context/gl_object.h"
#include "gles/context/object_array.h"
#include "gles/render/renderable.h"
#include "gles/shaders/shader_variable.h"

namespace mtl {
class Function;
struct Argument;
struct ArrayType;
struct Error;
struct RenderPipelineReflection;
struct StructMember;
struct StructType;
}  // namespace mtl

class MGLRenderer;
class MGLShader;
class MGLShaderProgram;

// One active vertex attribute as the link assigned it.
struct MGLShaderProgramVertexAttributeBinding {
  GLint location = -1;           // GL attribute location, 0 to 15
  std::int64_t mtlIndex = -1;    // attribute index in the vertex function
};

// A map of Metal attribute indices to GL locations. Equal maps are one
// object for the life of the process, so a vertex array sees by identity
// that the layout it last baked for is unchanged.
class MGLShaderProgramVertexAttributeLayout : public MGLObject {
 public:
  static constexpr std::size_t kMaxAttributes = 16;

  // The interned layout of the program's attributes (never freed).
  static const MGLShaderProgramVertexAttributeLayout* layoutFromShaderProgram(
      const MGLShaderProgram& program);

  const char* className() const override { return "MGLShaderProgramVertexAttributeLayout"; }
  bool isEqual(const MGLObject* other) const override;
  std::size_t hash() const override { return hash_; }
  // One past the highest Metal attribute index in use.
  std::uint64_t mapSize() const { return mapSize_; }
  // The GL location of a Metal attribute index, -1 where none is mapped.
  std::int8_t locationOfMetalIndex(std::size_t index) const { return map_[index]; }
  std::string description() const override;
  std::string fullDescription() const;

 private:
  std::uint64_t hash_ = 0;
  std::uint64_t mapSize_ = 0;
  std::array<std::int8_t, kMaxAttributes> map_;
};

class MGLShaderProgram : public MGLGLObjectBase, public MGLRenderable {
 public:
  static constexpr GLuint kMaxVertexAttributes = 16;

  explicit MGLShaderProgram(GLID glID);
  // Drops the current context's cached pipelines of this program: a later
  // program reusing the name must not find them.
  ~MGLShaderProgram() override;
  static MGLGLObjectBase* create(GLID glID) { return new MGLShaderProgram(glID); }

  // glAttachShader, glDetachShader, glGetAttachedShaders (answers the count
  // written: the vertex shader first).
  void attachShaderWithGLID(GLID shader);
  void detachShaderWithGLID(GLID shader);
  GLsizei get(GLsizei maxCount, GLID* shaders) const;
  MGLShader* vertexShader() const { return vertexShader_.get(); }
  MGLShader* fragmentShader() const { return fragmentShader_.get(); }
  // glGetProgramiv; -1 (with GL_INVALID_ENUM) for an unknown name.
  GLint getParameter(GLenum pname) const;

  const std::string& infoLog() const { return infoLog_; }
  virtual bool isLinked() const { return isLinked_; }
  bool isValid() const { return isLinked(); }
  void validate() {}
  bool isDeleted() const { return isDeleted_; }
  void setIsDeleted(bool deleted) { isDeleted_ = deleted; }

  // Active vertex attributes in the order the link found them.
  virtual std::uint64_t activeVertexAttributeCount() const { return vertexAttributes_.count(); }
  virtual MGLShaderProgramVertexAttributeBinding activeVertexAttribute(std::uint64_t k) const;
  const MGLArray& vertexAttributes() const { return vertexAttributes_; }
  // The interned layout (compared by identity), null before a link.
  virtual const void* vertexAttributeLayout() const { return layout_; }
  // The attached shaders' functions, taken on first use after each unlink.
  virtual std::shared_ptr<mtl::Function> vertexMTLFunction();
  virtual std::shared_ptr<mtl::Function> fragmentMTLFunction();

  MGLShaderVertexBuffer* vertexUniformBuffer() const { return vertexUniformBuffer_.get(); }
  void setVertexUniformBuffer(MGLRef<MGLShaderVertexBuffer> buffer);
  MGLShaderFragmentBuffer* fragmentUniformBuffer() const { return fragmentUniformBuffer_.get(); }
  void setFragmentUniformBuffer(MGLRef<MGLShaderFragmentBuffer> buffer);
  bool isUsingStageInVertexAttributes() const { return usesStageIn_; }
  void setIsUsingStageInVertexAttributes(bool value) { usesStageIn_ = value; }
  bool isRendered() const { return isRendered_; }
  // Cleared when the program becomes current, so its next draw binds all.
  virtual void setIsRendered(bool value) { isRendered_ = value; }
  bool areSamplersRendered() const { return areSamplersRendered_; }
  void setAreSamplersRendered(bool value) { areSamplersRendered_ = value; }
  bool wasTextureChanged() const { return wasTextureChanged_; }
  // Set by the context when a texture binding changes.
  void setWasTextureChanged(bool value) { wasTextureChanged_ = value; }

  // Uniforms. Lookups by index and location record GL errors for what the
  // program does not hold; a negative location finds nothing silently.
  std::uint64_t uniformCount() const { return uniforms_.count(); }
  MGLShaderUniform* getUniformAtIndex(GLint index) const;
  MGLShaderUniform* getUniformAtLocation(GLint location) const;
  MGLShaderUniform* getUniformNamed(std::string_view name) const;
  // glGetUniformLocation: "a", "a[0]" and "a[i]" (0 <= i < size); -1 for
  // anything else.
  GLint getLocationOfUniformNamed(std::string_view name) const;

  MGLShaderVertexAttribute* getVertexAttributeAtIndex(GLint index) const;
  MGLShaderVertexAttribute* getVertexAttributeNamed(std::string_view name) const;
  // glGetAttribLocation.
  GLint getLocationOfVertexAttributeNamed(std::string_view name) const;
  // glBindAttribLocation: takes effect at the next link.
  void bindVertexAttributeNamed(std::string_view name, GLuint location);
  // The part of `name` after its last ".".
  static std::string localVariableName(std::string_view name);

  void unlink();
  void appendToLog(std::string_view text);
  void appendLinkErrorToLog(std::string_view text);
  // Derives the program's variables from the reflection of its pipeline
  // (either may be missing: a refused pipeline gives only its error).
  void linkWithPipelineReflection(const mtl::RenderPipelineReflection* reflection,
                                  const mtl::Error* error);
  // Binds the uniform buffers and textures to the renderer's encoder; does
  // nothing but compare flags while nothing changed.
  void renderTo(MGLRenderer& renderer) override;

  // The steps of a link.
  void addVertexAttributesForFunction(const mtl::Function& function);
  void addVertexAttribute(MGLShaderVertexAttribute* attribute);
  void assignLocationToVertexAttribute(MGLShaderVertexAttribute* attribute);
  void addUniform(MGLShaderUniform* uniform);
  void addSampler(MGLSamplerShaderUniform* sampler);
  // Kind 0 a uniform, kind 1 a vertex attribute; null for any other kind.
  MGLShaderVariable* addVariableOfType(int kind, std::string_view name, mtl::DataType type,
                                       GLint size);
  MGLShaderVertexAttribute* addVertexAttributeWithName(std::string_view name, mtl::DataType type,
                                                       GLint size);
  MGLShaderUniform* addUniformWithName(std::string_view name, mtl::DataType type, GLint size);
  // Null (after a link error) when the name belongs to a uniform that is no
  // sampler.
  MGLSamplerShaderUniform* addUniformWithName(std::string_view name, mtl::TextureType type);
  // Whether a variable met again in the other stage agrees in type and size;
  // a link error when not.
  bool validateShaderVariable(MGLShaderVariable* variable, std::string_view typeName,
                              GLenum glDataType, GLint size);
  void extractShaderVariablesAndBuffersFrom(const std::vector<mtl::Argument>& arguments,
                                            MGLShaderStage stage);
  void setVertexBufferWithSize(std::uint64_t size);
  void setFragmentBufferWithSize(std::uint64_t size);
  void linkUniforms();

  std::string description() const override;

 private:
  std::uint64_t extractArgument(const mtl::Argument& argument, std::uint64_t offset,
                                MGLShaderStage stage);
  std::uint64_t extractStruct(const mtl::StructType& type, const std::string& path,
                              std::uint64_t base, MGLShaderStage stage);
  std::uint64_t extractMember(const mtl::StructMember& member, const std::string& path,
                              std::uint64_t base, MGLShaderStage stage);
  std::uint64_t extractArray(const mtl::ArrayType& type, const std::string& path,
                             std::uint64_t offset, MGLShaderStage stage);
  // A location for an attribute: `preferred` unless an attribute holds it
  // or it is `reserved`, else the lowest free one.
  GLint freeLocation(GLint preferred, GLint reserved) const;

  MGLArray uniforms_;  // GL uniform index order
  std::unordered_map<std::string, MGLShaderUniform*> uniformsByName_;
  // Base locations in uniform order, for finding a location's uniform.
  std::vector<GLint> baseLocations_;
  MGLArray vertexAttributes_;
  std::unordered_map<std::string, MGLShaderVertexAttribute*> vertexAttributesByName_;
  // Bindings asked for; each link works through a copy, so that they hold
  // for every later link as GL's do.
  std::unordered_map<std::string, GLuint> preboundLocations_;
  std::unordered_map<std::string, GLuint> pendingLocations_;
  const MGLShaderProgramVertexAttributeLayout* layout_ = nullptr;
  MGLRef<MGLShaderVertexBuffer> vertexUniformBuffer_;
  MGLRef<MGLShaderFragmentBuffer> fragmentUniformBuffer_;
  // Where the fragment stage reads its render target's height (a shader
  // that reads gl_FragCoord), and the height last written there.
  std::optional<std::uint64_t> targetHeightOffset_;
  float targetHeight_ = -1;
  std::vector<MGLSamplerShaderUniform*> samplers_;  // held by uniforms_
  MGLRef<MGLShader> vertexShader_, fragmentShader_;
  std::shared_ptr<mtl::Function> vertexFunction_, fragmentFunction_;
  std::string infoLog_;
  std::uint64_t currEncoderID_ = 0;
  bool isLinked_;
  bool isRendered_ = false;
  bool wasTextureChanged_ = false;
  bool areSamplersRendered_ = false;
  bool usesStageIn_ = false;
  bool isDeleted_ = false;
};
