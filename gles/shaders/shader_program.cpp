#include "gles/shaders/shader_program.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/utilities.h"
#include "gles/render/accumulating_buffer.h"
#include "gles/render/renderer.h"
#include "gles/shaders/shader.h"
#include "gles/shaders/shader_text.h"
#include "gles/textures/state_conversion.h"
#include "platform/metal/library.h"
#include "platform/metal/render_encoder.h"
#include "platform/metal/states.h"
#include "shadercompiler/optimizer/glsl_to_msl_converter.h"

namespace {

GLint lengthWithTerminator(const std::string& text) {
  return text.empty() ? 0 : static_cast<GLint>(mglUTF16Length(text) + 1);
}

// A texture argument named like "tex_3_" is location index 3 of the
// sampler uniform "tex": the name ends in underscores, digits and
// underscores; anything else is index 0 of the whole name.
std::string uniformNameFromArgName(const std::string& argumentName, std::uint64_t& index) {
  index = 0;
  std::size_t end = argumentName.size();
  std::size_t i = end;
  while (i > 0 && argumentName[i - 1] == '_') --i;
  if (i == end) return argumentName;
  const std::size_t digitsEnd = i;
  while (i > 0 && argumentName[i - 1] >= '0' && argumentName[i - 1] <= '9') --i;
  if (i == digitsEnd || i == 0 || argumentName[i - 1] != '_') return argumentName;
  const std::size_t digitsBegin = i;
  while (i > 0 && argumentName[i - 1] == '_') --i;
  std::uint64_t value = 0;
  for (std::size_t k = digitsBegin; k < digitsEnd; ++k) {
    const std::uint64_t digit = static_cast<std::uint64_t>(argumentName[k] - '0');
    value = value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10
                ? std::numeric_limits<std::uint64_t>::max()
                : value * 10 + digit;
  }
  index = value;
  return argumentName.substr(0, i);
}

// The integer a piece of a uniform name starts with, as the platform reads
// integers from text (leading white space and a sign allowed); nothing when
// it starts with none. Saturates instead of overflowing.
std::optional<std::int64_t> leadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
  std::int64_t value = 0;
  constexpr std::int64_t kLimit = std::int64_t{1} << 40;  // far past any location
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(kLimit, value * 10 + (text[i] - '0'));
  }
  return negative ? -value : value;
}

}  // namespace

// ---- MGLShaderProgramVertexAttributeLayout

bool MGLShaderProgramVertexAttributeLayout::isEqual(const MGLObject* other) const {
  if (other == this) return true;
  const auto* o = dynamic_cast<const MGLShaderProgramVertexAttributeLayout*>(other);
  return o && o->hash_ == hash_ && o->mapSize_ == mapSize_ &&
         std::equal(map_.begin(), map_.begin() + static_cast<std::ptrdiff_t>(mapSize_),
                    o->map_.begin());
}

std::string MGLShaderProgramVertexAttributeLayout::description() const {
  return mglFormat("%@ (%p)", {className(), static_cast<const void*>(this)});
}

std::string MGLShaderProgramVertexAttributeLayout::fullDescription() const {
  std::string text = description() + " (";
  for (std::uint64_t i = 0; i < mapSize_; ++i) {
    if (i > 0) text += ", ";
    text += mglFormat("%i", {static_cast<int>(map_[i])});
  }
  return text + ")";
}

const MGLShaderProgramVertexAttributeLayout*
MGLShaderProgramVertexAttributeLayout::layoutFromShaderProgram(const MGLShaderProgram& program) {
  MGLRef<MGLShaderProgramVertexAttributeLayout> layout =
      mglMake<MGLShaderProgramVertexAttributeLayout>();
  layout->map_.fill(-1);
  std::uint64_t hash = 0;
  for (std::uint64_t k = 0; k < program.vertexAttributes().count(); ++k) {
    const auto* attribute =
        static_cast<const MGLShaderVertexAttribute*>(program.vertexAttributes()[k]);
    const std::int64_t i = attribute->mtlVertexAttributeIndex();
    const GLint l = attribute->vertexAttributeLocation();
    // The link refuses indices the map cannot hold.
    if (i < 0 || i >= static_cast<std::int64_t>(kMaxAttributes)) continue;
    layout->map_[static_cast<std::size_t>(i)] = static_cast<std::int8_t>(l);
    layout->mapSize_ = std::max<std::uint64_t>(layout->mapSize_, static_cast<std::uint64_t>(i) + 1);
    hash += 2 * static_cast<std::uint64_t>(i) + 4 * static_cast<std::uint64_t>(static_cast<std::int64_t>(l));
  }
  layout->hash_ = hash + layout->mapSize_;

  // Contexts on several threads link at once; the set is made once and
  // never emptied, so a layout handed out stays valid for the process.
  static std::mutex mutex;
  static MGLSet* layouts = new MGLSet(32, true);
  std::lock_guard lock(mutex);
  if (MGLObject* found = layouts->member(layout.get())) {
    return static_cast<const MGLShaderProgramVertexAttributeLayout*>(found);
  }
  layouts->addObject(layout.get());
  return layout.get();
}

// ---- MGLShaderProgram: objects and queries

MGLShaderProgram::MGLShaderProgram(GLID glID)
    : MGLGLObjectBase(glID, MGLObjectKind::ShaderProgram, "MGLShaderProgram"),
      isLinked_(glID == 0) {}

MGLShaderProgram::~MGLShaderProgram() {
  if (MGLContext* context = mglCurrentContext()) {
    context->renderPipelineStateCache()->removeShaderProgram(glID());
  }
}

std::string MGLShaderProgram::description() const { return MGLGLObjectBase::description(); }

void MGLShaderProgram::attachShaderWithGLID(GLID shaderGLID) {
  MGLContext* context = mglCurrentContext();
  MGLShader* shader = context ? context->getShader(shaderGLID) : nullptr;
  if (!shader) return;
  MGLRef<MGLShader>* slot = nullptr;
  const char* kind = nullptr;
  if (shader->shaderType() == GL_FRAGMENT_SHADER) {
    slot = &fragmentShader_;
    kind = "fragment";
  } else if (shader->shaderType() == GL_VERTEX_SHADER) {
    slot = &vertexShader_;
    kind = "vertex";
  } else {
    mglSetError(GL_INVALID_OPERATION, "%@ is not a valid shader type",
                {mglGLEnumName(shader->shaderType())});
    return;
  }
  if (*slot) {
    mglSetError(GL_INVALID_OPERATION, "Shader program %u is already attached to %@ shader %u",
                {glID(), kind, (*slot)->glID()});
    return;
  }
  *slot = shader;
}

void MGLShaderProgram::detachShaderWithGLID(GLID shaderGLID) {
  const GLID vertex = vertexShader_ ? vertexShader_->glID() : 0;
  const GLID fragment = fragmentShader_ ? fragmentShader_->glID() : 0;
  if (vertex == shaderGLID) {
    vertexShader_ = nullptr;
  } else if (fragment == shaderGLID) {
    fragmentShader_ = nullptr;
  } else {
    mglSetError(GL_INVALID_OPERATION, "Shader %u is not attached to shader program %u",
                {shaderGLID, glID()});
  }
}

GLsizei MGLShaderProgram::get(GLsizei maxCount, GLID* shaders) const {
  if (!shaders) return 0;
  if (maxCount < 0) {
    mglSetError(GL_INVALID_VALUE, "Max count cannot be negative");
    return 0;
  }
  GLsizei written = 0;
  if (vertexShader_ && written < maxCount) shaders[written++] = vertexShader_->glID();
  if (fragmentShader_ && written < maxCount) shaders[written++] = fragmentShader_->glID();
  return written;
}

GLint MGLShaderProgram::getParameter(GLenum pname) const {
  auto longestName = [](const MGLArray& variables) {
    GLint longest = 0;
    for (std::uint64_t k = 0; k < variables.count(); ++k) {
      longest = std::max(longest,
                         lengthWithTerminator(static_cast<MGLShaderVariable*>(variables[k])->name()));
    }
    return longest;
  };
  switch (pname) {
    case GL_DELETE_STATUS: return isDeleted_ ? 1 : 0;
    case GL_LINK_STATUS: return isLinked() ? 1 : 0;
    case GL_VALIDATE_STATUS: return isValid() ? 1 : 0;
    case GL_INFO_LOG_LENGTH: return lengthWithTerminator(infoLog_);
    case GL_ATTACHED_SHADERS: return (vertexShader_ ? 1 : 0) + (fragmentShader_ ? 1 : 0);
    case GL_ACTIVE_UNIFORMS: return static_cast<GLint>(uniforms_.count());
    case GL_ACTIVE_UNIFORM_MAX_LENGTH: return longestName(uniforms_);
    case GL_ACTIVE_ATTRIBUTES: return static_cast<GLint>(vertexAttributes_.count());
    case GL_ACTIVE_ATTRIBUTE_MAX_LENGTH: return longestName(vertexAttributes_);
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid shader program parameter name.",
                  {mglGLEnumName(pname)});
      return -1;
  }
}

MGLShaderProgramVertexAttributeBinding MGLShaderProgram::activeVertexAttribute(
    std::uint64_t k) const {
  const auto* attribute = static_cast<const MGLShaderVertexAttribute*>(vertexAttributes_[k]);
  if (!attribute) return {};
  return {attribute->vertexAttributeLocation(), attribute->mtlVertexAttributeIndex()};
}

std::shared_ptr<mtl::Function> MGLShaderProgram::vertexMTLFunction() {
  if (!vertexFunction_ && vertexShader_) vertexFunction_ = vertexShader_->mtlFunction();
  return vertexFunction_;
}

std::shared_ptr<mtl::Function> MGLShaderProgram::fragmentMTLFunction() {
  if (!fragmentFunction_ && fragmentShader_) fragmentFunction_ = fragmentShader_->mtlFunction();
  return fragmentFunction_;
}

void MGLShaderProgram::setVertexUniformBuffer(MGLRef<MGLShaderVertexBuffer> buffer) {
  vertexUniformBuffer_ = std::move(buffer);
}

void MGLShaderProgram::setFragmentUniformBuffer(MGLRef<MGLShaderFragmentBuffer> buffer) {
  fragmentUniformBuffer_ = std::move(buffer);
}

std::string MGLShaderProgram::localVariableName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(dot + 1));
}

MGLShaderUniform* MGLShaderProgram::getUniformAtIndex(GLint index) const {
  if (index < 0 || static_cast<std::uint64_t>(index) >= uniforms_.count()) {
    mglSetError(GL_INVALID_VALUE, "Shader program %i does not contain a uniform at index %i.",
                {glID(), index});
    return nullptr;
  }
  return static_cast<MGLShaderUniform*>(uniforms_[static_cast<std::uint64_t>(index)]);
}

MGLShaderUniform* MGLShaderProgram::getUniformAtLocation(GLint location) const {
  if (location < 0) return nullptr;
  // Bases rise with the uniform order and each uniform ends where the next
  // begins, so the last uniform starting at or before the location is the
  // only one that can hold it.
  const auto next = std::upper_bound(baseLocations_.begin(), baseLocations_.end(), location);
  if (next != baseLocations_.begin()) {
    const auto k = static_cast<std::uint64_t>(next - baseLocations_.begin() - 1);
    auto* uniform = static_cast<MGLShaderUniform*>(uniforms_[k]);
    if (uniform->containsLocation(location)) return uniform;
  }
  mglSetError(GL_INVALID_OPERATION, "Shader program %i does not contain a uniform at location %i.",
              {glID(), location});
  return nullptr;
}

MGLShaderUniform* MGLShaderProgram::getUniformNamed(std::string_view name) const {
  const auto found = uniformsByName_.find(localVariableName(name));
  return found == uniformsByName_.end() ? nullptr : found->second;
}

GLint MGLShaderProgram::getLocationOfUniformNamed(std::string_view name) const {
  if (!isLinked()) {
    mglSetError(GL_INVALID_OPERATION, "Shader program %u has not been linked.", {glID()});
    return -1;
  }
  const std::vector<std::string> pieces = tokensSeparatedByCharactersInSet(
      name, [](char32_t c) { return c == '[' || c == ']'; });
  if (pieces.empty()) return -1;
  const auto found = uniformsByName_.find(pieces.front());
  if (found == uniformsByName_.end()) return -1;
  const MGLShaderUniform* uniform = found->second;
  const std::int64_t index = pieces.size() > 1 ? leadingInteger(pieces.back()).value_or(0) : 0;
  // An index outside the array would name another uniform's location.
  if (index < 0 || index >= uniform->size()) return -1;
  return uniform->baseLocation() + static_cast<GLint>(index);
}

MGLShaderVertexAttribute* MGLShaderProgram::getVertexAttributeAtIndex(GLint index) const {
  if (index < 0 || static_cast<std::uint64_t>(index) >= vertexAttributes_.count()) {
    mglSetError(GL_INVALID_VALUE,
                "Shader program %i does not contain a vertex attribute at index %i.",
                {glID(), index});
    return nullptr;
  }
  return static_cast<MGLShaderVertexAttribute*>(vertexAttributes_[static_cast<std::uint64_t>(index)]);
}

MGLShaderVertexAttribute* MGLShaderProgram::getVertexAttributeNamed(std::string_view name) const {
  const auto found = vertexAttributesByName_.find(std::string(name));
  return found == vertexAttributesByName_.end() ? nullptr : found->second;
}

GLint MGLShaderProgram::getLocationOfVertexAttributeNamed(std::string_view name) const {
  if (!isLinked()) {
    mglSetError(GL_INVALID_OPERATION, "Shader program %u has not been linked.", {glID()});
    return -1;
  }
  const MGLShaderVertexAttribute* attribute = getVertexAttributeNamed(name);
  return attribute ? attribute->vertexAttributeLocation() : -1;
}

void MGLShaderProgram::bindVertexAttributeNamed(std::string_view name, GLuint location) {
  if (location >= kMaxVertexAttributes) {
    mglSetError(GL_INVALID_VALUE,
                "Vertex attribute index %i is out of range. A maximum of %lu vertex attributes "
                "are allowed.",
                {location, static_cast<unsigned long>(kMaxVertexAttributes)});
    return;
  }
  preboundLocations_[std::string(name)] = location;
}

void MGLShaderProgram::appendToLog(std::string_view text) {
  infoLog_.append("\n\n").append(text);
  trim(infoLog_);
}

void MGLShaderProgram::appendLinkErrorToLog(std::string_view text) {
  appendToLog(text);
  isLinked_ = false;
}

// ---- Linking

void MGLShaderProgram::unlink() {
  vertexFunction_ = nullptr;
  fragmentFunction_ = nullptr;
  uniforms_.removeAllObjects();
  uniformsByName_.clear();
  baseLocations_.clear();
  samplers_.clear();
  vertexAttributes_.removeAllObjects();
  vertexAttributesByName_.clear();
  vertexUniformBuffer_ = nullptr;
  fragmentUniformBuffer_ = nullptr;
  targetHeightOffset_.reset();
  targetHeight_ = -1;
  usesStageIn_ = false;
  isRendered_ = false;
  isLinked_ = false;
}

void MGLShaderProgram::linkWithPipelineReflection(const mtl::RenderPipelineReflection* reflection,
                                                  const mtl::Error* error) {
  if (isLinked_) unlink();
  isLinked_ = true;
  pendingLocations_ = preboundLocations_;
  if (const std::shared_ptr<mtl::Function> vertex = vertexMTLFunction()) {
    addVertexAttributesForFunction(*vertex);
  }
  layout_ = MGLShaderProgramVertexAttributeLayout::layoutFromShaderProgram(*this);
  if (reflection) {
    extractShaderVariablesAndBuffersFrom(reflection->vertexArguments, MGLShaderStage::Vertex);
    extractShaderVariablesAndBuffersFrom(reflection->fragmentArguments, MGLShaderStage::Fragment);
  }
  linkUniforms();
  if (error) appendLinkErrorToLog(error->localizedDescription);
  if (!isLinked_) appendToLog("Link failed.");
}

void MGLShaderProgram::addVertexAttributesForFunction(const mtl::Function& function) {
  for (const mtl::VertexAttribute& input : function.vertexAttributes()) {
    if (!input.active) continue;
    // The layout and the vertex arrays hold 16 attributes; an index beyond
    // them would be written past their end.
    if (input.attributeIndex >= kMaxVertexAttributes) {
      appendLinkErrorToLog(mglFormat(
          "Vertex attribute '%@' uses [[ attribute(%lu) ]]. A maximum of %lu vertex attributes "
          "are allowed.",
          {input.name, static_cast<unsigned long>(input.attributeIndex),
           static_cast<unsigned long>(kMaxVertexAttributes)}));
      continue;
    }
    MGLRef<MGLShaderVertexAttribute> attribute =
        mglMake<MGLShaderVertexAttribute>(this, input.name, input.attributeType, 1);
    attribute->setMtlVertexAttributeIndex(static_cast<std::int64_t>(input.attributeIndex));
    addVertexAttribute(attribute.get());
  }
}

GLint MGLShaderProgram::freeLocation(GLint preferred, GLint reserved) const {
  auto taken = [&](GLint location) {
    if (location == reserved) return true;
    for (std::uint64_t k = 0; k < vertexAttributes_.count(); ++k) {
      if (static_cast<MGLShaderVertexAttribute*>(vertexAttributes_[k])->vertexAttributeLocation() ==
          location) {
        return true;
      }
    }
    return false;
  };
  if (!taken(preferred)) return preferred;
  for (GLint location = 0;; ++location) {
    if (!taken(location)) return location;
  }
}

void MGLShaderProgram::assignLocationToVertexAttribute(MGLShaderVertexAttribute* attribute) {
  const auto n = static_cast<GLint>(vertexAttributes_.count());
  const auto prebound = pendingLocations_.find(attribute->name());
  if (prebound == pendingLocations_.end()) {
    // A location bound for an earlier attribute may be this one's default:
    // two attributes must not read one array.
    attribute->setVertexAttributeLocation(freeLocation(n, -1));
    return;
  }
  const auto p = static_cast<GLint>(prebound->second);
  pendingLocations_.erase(prebound);
  for (std::uint64_t k = 0; k < vertexAttributes_.count(); ++k) {
    auto* earlier = static_cast<MGLShaderVertexAttribute*>(vertexAttributes_[k]);
    if (earlier->vertexAttributeLocation() == p) {
      earlier->setVertexAttributeLocation(-1);
      earlier->setVertexAttributeLocation(freeLocation(n, p));
    }
  }
  attribute->setVertexAttributeLocation(p);
}

void MGLShaderProgram::addVertexAttribute(MGLShaderVertexAttribute* attribute) {
  assignLocationToVertexAttribute(attribute);
  vertexAttributes_.addObject(attribute);
  vertexAttributesByName_[attribute->name()] = attribute;
}

void MGLShaderProgram::addUniform(MGLShaderUniform* uniform) {
  uniforms_.addObject(uniform);
  uniformsByName_[uniform->name()] = uniform;
  if (uniform->isSampler()) addSampler(static_cast<MGLSamplerShaderUniform*>(uniform));
}

void MGLShaderProgram::addSampler(MGLSamplerShaderUniform* sampler) { samplers_.push_back(sampler); }

bool MGLShaderProgram::validateShaderVariable(MGLShaderVariable* variable,
                                              std::string_view typeName, GLenum glDataType,
                                              GLint size) {
  const char* what = variable->glDataType() != glDataType ? "types"
                     : variable->size() != size          ? "sizes"
                                                         : nullptr;
  if (!what) return true;
  appendLinkErrorToLog(mglFormat(
      "%@ %@ appears in both the vertex and fragment shader functions, but the %@ do not match.",
      {typeName, variable->name(), what}));
  return false;
}

MGLShaderVariable* MGLShaderProgram::addVariableOfType(int kind, std::string_view name,
                                                       mtl::DataType type, GLint size) {
  if (kind == 0) return addUniformWithName(name, type, size);
  if (kind == 1) return addVertexAttributeWithName(name, type, size);
  return nullptr;
}

MGLShaderVertexAttribute* MGLShaderProgram::addVertexAttributeWithName(std::string_view name,
                                                                       mtl::DataType type,
                                                                       GLint size) {
  if (MGLShaderVertexAttribute* found = getVertexAttributeNamed(name)) {
    validateShaderVariable(found, "Vertex attribute", mglGLTypeOfMTLDataType(type), size);
    return found;
  }
  MGLRef<MGLShaderVertexAttribute> attribute = mglMake<MGLShaderVertexAttribute>(this, name, type, size);
  addVertexAttribute(attribute.get());
  return attribute.get();
}

MGLShaderUniform* MGLShaderProgram::addUniformWithName(std::string_view name, mtl::DataType type,
                                                       GLint size) {
  if (MGLShaderUniform* found = getUniformNamed(name)) {
    validateShaderVariable(found, "Uniform", mglGLTypeOfMTLDataType(type), size);
    return found;
  }
  MGLRef<MGLBufferShaderUniform> uniform = mglMake<MGLBufferShaderUniform>(this, name, type, size);
  addUniform(uniform.get());
  return uniform.get();
}

MGLSamplerShaderUniform* MGLShaderProgram::addUniformWithName(std::string_view name,
                                                              mtl::TextureType type) {
  if (MGLShaderUniform* found = getUniformNamed(name)) {
    if (found->isSampler()) return static_cast<MGLSamplerShaderUniform*>(found);
    // A buffer uniform of the same name in the other stage.
    validateShaderVariable(found, "Uniform", mglGLSamplerTypeOfMTLTextureType(type), found->size());
    return nullptr;
  }
  MGLRef<MGLSamplerShaderUniform> sampler = mglMake<MGLSamplerShaderUniform>(this, name, type);
  addUniform(sampler.get());
  return sampler.get();
}

void MGLShaderProgram::extractShaderVariablesAndBuffersFrom(
    const std::vector<mtl::Argument>& arguments, MGLShaderStage stage) {
  std::uint64_t offset = 0;
  for (const mtl::Argument& argument : arguments) offset = extractArgument(argument, offset, stage);
  if (offset == 0) return;
  if (stage == MGLShaderStage::Vertex) {
    setVertexBufferWithSize(offset);
  } else {
    setFragmentBufferWithSize(offset);
  }
}

void MGLShaderProgram::setVertexBufferWithSize(std::uint64_t size) {
  vertexUniformBuffer_ = mglMake<MGLShaderVertexBuffer>(0, size);
}

void MGLShaderProgram::setFragmentBufferWithSize(std::uint64_t size) {
  fragmentUniformBuffer_ = mglMake<MGLShaderFragmentBuffer>(0, size);
}

std::uint64_t MGLShaderProgram::extractArgument(const mtl::Argument& argument,
                                                std::uint64_t offset, MGLShaderStage stage) {
  if (!argument.active) return offset;
  if (argument.access != mtl::ArgumentAccess::ReadOnly) {
    appendLinkErrorToLog(mglFormat(
        "Shader variable '%@' is incorrectly declared. Shader uniforms must be declared in the "
        "'constant' address space, and shader attributes must use the 'stage_in' qualifier.",
        {argument.name}));
  }
  switch (argument.type) {
    case mtl::ArgumentType::Sampler:
      return offset;
    case mtl::ArgumentType::Texture: {
      if (mglGLSamplerTypeOfMTLTextureType(argument.textureType) == 0) return offset;
      std::uint64_t index = 0;
      const std::string name = uniformNameFromArgName(argument.name, index);
      if (MGLSamplerShaderUniform* sampler = addUniformWithName(name, argument.textureType)) {
        sampler->setMetalTextureIndex(argument.index, index, stage);
      }
      return offset;
    }
    case mtl::ArgumentType::Buffer:
      break;
    default:
      mglSetError(GL_INVALID_ENUM, "Metal argument type %lu is not supported.",
                  {static_cast<unsigned long>(argument.type)});
      return offset;
  }
  offset = mglAlignToPowerOfTwo(offset, argument.bufferAlignment);
  if (argument.bufferDataType == mtl::DataType::Struct && !argument.bufferStructType) {
    setIsUsingStageInVertexAttributes(true);  // the stage_in vertex buffers
    return offset;
  }
  // Every uniform is written into the buffer bound at 0: one in another
  // slot would never see its values.
  if (argument.index != 0) {
    appendLinkErrorToLog(mglFormat(
        "Shader uniform '%@' cannot use [[ buffer(%lu) ]]. All non-texture shader uniform "
        "variables must use [[ buffer(0) ]].",
        {argument.name, static_cast<unsigned long>(argument.index)}));
    return offset;
  }
  if (argument.bufferDataType == mtl::DataType::Struct) {
    extractStruct(*argument.bufferStructType, argument.name, offset, stage);
    return offset + argument.bufferDataSize;
  }
  const std::uint64_t elementSize = mglByteSizeOfMTLDataType(argument.bufferDataType);
  if (elementSize == 0) return offset;
  const auto count = static_cast<GLint>(argument.bufferDataSize / elementSize);
  if (MGLShaderVariable* uniform = addVariableOfType(0, argument.name, argument.bufferDataType, count)) {
    uniform->setBufferOffset(static_cast<GLint>(offset), stage);
  }
  return offset + argument.bufferDataSize;
}

std::uint64_t MGLShaderProgram::extractStruct(const mtl::StructType& type, const std::string& path,
                                              std::uint64_t base, MGLShaderStage stage) {
  std::uint64_t result = base;
  for (const mtl::StructMember& member : type.members) result = extractMember(member, path, base, stage);
  return result;
}

std::uint64_t MGLShaderProgram::extractMember(const mtl::StructMember& member,
                                              const std::string& path, std::uint64_t base,
                                              MGLShaderStage stage) {
  const std::uint64_t offset = base + member.offset;
  const std::string memberPath = path + "." + member.name;
  switch (member.dataType) {
    case mtl::DataType::None:
      return offset;
    case mtl::DataType::Struct:
      return member.structType ? extractStruct(*member.structType, memberPath, offset, stage) : offset;
    case mtl::DataType::Array:
      return member.arrayType ? extractArray(*member.arrayType, memberPath, offset, stage) : offset;
    case mtl::DataType::Float:
      // The render target's height the converted shader asks for: the
      // layer's to write, no uniform of the program's.
      if (stage == MGLShaderStage::Fragment && member.name == kMGLTargetHeightUniform) {
        targetHeightOffset_ = offset;
        return offset + sizeof(float);
      }
      [[fallthrough]];
    default: {
      MGLShaderVariable* variable = addVariableOfType(0, memberPath, member.dataType, 1);
      if (!variable) return offset;
      variable->setBufferOffset(static_cast<GLint>(offset), stage);
      return offset + static_cast<std::uint64_t>(variable->stride());
    }
  }
}

std::uint64_t MGLShaderProgram::extractArray(const mtl::ArrayType& type, const std::string& path,
                                             std::uint64_t offset, MGLShaderStage stage) {
  const std::uint64_t end = offset + type.stride * type.arrayLength;
  switch (type.elementType) {
    case mtl::DataType::None:
      return offset;
    case mtl::DataType::Struct:
    case mtl::DataType::Array:
      for (std::uint64_t i = 0; i < type.arrayLength; ++i) {
        const std::string element = mglFormat("%@[%lu]", {path, static_cast<unsigned long>(i)});
        const std::uint64_t at = offset + i * type.stride;
        if (type.elementStructType) {
          extractStruct(*type.elementStructType, element, at, stage);
        } else if (type.elementArrayType) {
          extractArray(*type.elementArrayType, element, at, stage);
        }
      }
      return end;
    default: {
      MGLShaderVariable* variable = addVariableOfType(0, path, type.elementType,
                                                      static_cast<GLint>(type.arrayLength));
      if (variable) variable->setBufferOffset(static_cast<GLint>(offset), stage);
      return end;
    }
  }
}

void MGLShaderProgram::linkUniforms() {
  GLint location = 0;
  baseLocations_.clear();
  for (std::uint64_t k = 0; k < uniforms_.count(); ++k) {
    auto* uniform = static_cast<MGLShaderUniform*>(uniforms_[k]);
    uniform->setBaseLocation(location);
    baseLocations_.push_back(location);
    location = uniform->endLocation();
    uniform->link();
  }
}

// ---- Drawing

void MGLShaderProgram::renderTo(MGLRenderer& renderer) {
  const std::uint64_t encoder = renderer.renderCommandEncoderID();
  const bool newEncoder = encoder != currEncoderID_ || !isRendered_;
  currEncoderID_ = encoder;
  if (targetHeightOffset_ && fragmentUniformBuffer_) {
    const auto height = static_cast<float>(renderer.currentRenderCommandEncoder()->renderTargetHeight());
    if (height != targetHeight_ &&
        fragmentUniformBuffer_->set(sizeof height, &height, *targetHeightOffset_, renderer))
      targetHeight_ = height;
  }
  if (vertexUniformBuffer_ && (newEncoder || !vertexUniformBuffer_->isRendered())) {
    vertexUniformBuffer_->renderTo(renderer);
  }
  if (fragmentUniformBuffer_ && (newEncoder || !fragmentUniformBuffer_->isRendered())) {
    fragmentUniformBuffer_->renderTo(renderer);
  }
  if (!samplers_.empty()) {
    if (newEncoder || wasTextureChanged_) {
      for (MGLSamplerShaderUniform* sampler : samplers_) sampler->renderTo(renderer);
    } else if (!areSamplersRendered_) {
      for (MGLSamplerShaderUniform* sampler : samplers_) {
        if (!sampler->isRendered()) sampler->renderTo(renderer);
      }
    }
  }
  areSamplersRendered_ = true;
  wasTextureChanged_ = false;
  isRendered_ = true;
}
