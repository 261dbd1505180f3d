#include "gles/shaders/shader.h"

#include <exception>

#include "gles/context/context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "gles/context/utilities.h"
#include "gles/shaders/shader_library.h"
#include "gles/shaders/shader_parser.h"
#include "gles/shaders/shader_text.h"
#include "platform/metal/device.h"
#include "platform/metal/library.h"
#include "shadercompiler/optimizer/glsl_to_msl_converter.h"

namespace {

// Letters, digits and the underscore make a name; anything else parts them.
bool isNameSeparator(char32_t c) {
  return !((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
}

std::optional<std::string> trimmed(std::optional<std::string> text) {
  if (text) trim(*text);
  return text;
}

}  // namespace

MGLShader::MGLShader(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::Shader, "MGLShader") {}

std::string MGLShader::description() const {
  return mglFormat("%@ type %@ (GLID %i)", {className(), mglGLEnumName(shaderType_), glID()});
}

const std::string& MGLShader::name() {
  if (!name_) {
    name_ = mglFormat("%@Shader%i",
                      {shaderType_ == GL_VERTEX_SHADER ? "Vertex" : "Fragment", glID()});
  }
  return *name_;
}

void MGLShader::appendToLog(std::string_view text) {
  infoLog_.append("\n\n").append(text);
  trim(infoLog_);
}

void MGLShader::dropFunction() {
  isCompiled_ = false;
  mtlFunction_ = nullptr;
}

GLint MGLShader::getParameter(GLenum pname) const {
  auto lengthWithTerminator = [](const std::string& text) {
    return text.empty() ? 0 : static_cast<GLint>(mglUTF16Length(text) + 1);
  };
  switch (pname) {
    case GL_SHADER_TYPE: return static_cast<GLint>(shaderType_);
    case GL_DELETE_STATUS: return isDeleted_ ? 1 : 0;
    case GL_COMPILE_STATUS: return isCompiled_ ? 1 : 0;
    case GL_INFO_LOG_LENGTH: return lengthWithTerminator(infoLog_);
    case GL_SHADER_SOURCE_LENGTH: return lengthWithTerminator(sourceCode_);
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid shader parameter name.",
                  {mglGLEnumName(pname)});
      return -1;
  }
}

void MGLShader::set(GLsizei count, const GLchar* const* strings, const GLint* lengths,
                    MGLContext& context) {
  sourceCode_ = mglJoinSourceStrings(count, strings, lengths);
  trim(sourceCode_);
  MGLShaderParser parser = MGLShaderParser::parser();
  parser.parse(sourceCode_);

  std::optional<std::string> msl;
  namesLibraryFunction_ = false;
  const GLenum language = context.shaderSourceLanguage();
  switch (language) {
    case GL_SHADER_SOURCE_LANG_IGNORE:
      break;
    case GL_SHADER_SOURCE_LANG_GLSL:
      msl = convertGLSLSource(parser.glslSourceCode().value_or(std::string()), context);
      break;
    case GL_SHADER_SOURCE_LANG_METAL:
      msl = parser.mslSourceCode() ? parser.mslSourceCode() : parser.glslSourceCode();
      setName(msl ? getShaderFunctionNameFromMSLSource(*msl) : std::nullopt);
      break;
    case GL_SHADER_SOURCE_LANG_AUTO:
      if (parser.mslSourceCode()) {
        msl = parser.mslSourceCode();
        setName(getShaderFunctionNameFromMSLSource(*msl));
      } else {
        // A text of pragma lines alone hands the converter an empty text,
        // which it refuses with a log line.
        msl = convertGLSLSource(parser.glslSourceCode().value_or(std::string()), context);
      }
      break;
    case GL_SHADER_SOURCE_LANG_METAL_FUNC:
      namesLibraryFunction_ = true;
      setShaderFunction(parser.mtlFunctionName(), context);
      break;
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid shader language selection.",
                  {mglGLEnumName(language)});
      break;
  }
  mslSourceCode_ = trimmed(std::move(msl));
}

std::optional<std::string> MGLShader::convertGLSLSource(std::string_view glsl, MGLContext& context) {
  const std::shared_ptr<MGLGLSLToMSLConverter> converter = MGLGLSLToMSLConverter::converter();
  converter->setShouldInvertTexCoordYAxis(true);
  converter->setShouldLogSourceCode(mglLoggingEnabled.load(std::memory_order_relaxed) &&
                                    context.shouldLogShaderSourceCodeConversion());
  // The converter always gets a name, so the function is the shader's.
  if (converter->convertGLSLSource(std::string(glsl), 0, shaderType_, name())) {
    appendToLog(converter->infoLog());
  } else {
    appendToLog(mglFormat("Unable to convert GLSL to MSL:\n%@", {converter->infoLog()}));
  }
  return converter->mslSourceCode();
}

std::optional<std::string> MGLShader::getShaderFunctionNameFromMSLSource(std::string_view msl) {
  const std::string_view stage = shaderType_ == GL_VERTEX_SHADER ? "vertex" : "fragment";
  for (const std::string& line : lines(msl)) {
    const std::vector<std::string> tokens = tokensSeparatedByCharactersInSet(line, isNameSeparator);
    if (tokens.size() >= 4 && tokens[0] == stage) return tokens[2];
  }
  appendToLog(mglFormat("Shader %i could not extract the Metal function name.", {glID()}));
  return std::nullopt;
}

void MGLShader::setShaderFunction(std::optional<std::string> functionName, MGLContext& context) {
  setName(std::move(functionName));
  dropFunction();
  MGLShaderLibrary* library = context.currentShaderLibrary();
  const std::shared_ptr<mtl::Library> mtlLibrary = library ? library->mtlLibrary() : nullptr;
  if (mtlLibrary) {
    setMtlFunctionFromMTLLibrary(*mtlLibrary);
  } else {
    appendToLog(mglFormat("Currently bound shader library %u has no content.",
                          {library ? library->glID() : 0u}));
  }
}

void MGLShader::setMtlFunctionFromMTLLibrary(const mtl::Library& library) {
  mtlFunction_ = library.newFunctionWithName(name());
  // Only a function makes a compiled shader: a library without the named
  // function is a failed compile.
  isCompiled_ = mtlFunction_ != nullptr;
  if (!mtlFunction_) {
    appendToLog(mglFormat("Shader %i does not contain a Metal function named '%@'.",
                          {glID(), name()}));
  }
}

void MGLShader::compileWithContext(MGLContext& context) {
  if (!mslSourceCode_ || mslSourceCode_->empty()) {
    if (context.shaderSourceLanguage() == GL_SHADER_SOURCE_LANG_IGNORE) {
      appendToLog(mglFormat(
          "MSL shader source was ignored, as indicated by the shader language setting: %@.",
          {"GL_SHADER_SOURCE_LANG_IGNORE"}));
    } else {
      appendToLog("MSL shader source is empty.");
    }
    // A library function found when the source was set stays; otherwise
    // this compile failed and an earlier success must not answer for it.
    if (!namesLibraryFunction_) dropFunction();
    return;
  }
  mtl::CompileOptions options;
  options.fastMathEnabled = context.shouldUseMetalShaderFastMathCompilation();
  std::optional<mtl::Error> error;
  std::shared_ptr<mtl::Library> library;
  try {
    library = mglSharedMTLDevice()->newLibraryWithSource(*mslSourceCode_, options, &error);
  } catch (const std::exception&) {
    // Out of memory in the compiler: a failed compile like any other.
    library = nullptr;
  }
  if (error) {
    appendToLog(mglFormat("%@ (code %li) %@", {error->localizedDescription,
                                                static_cast<long>(error->code),
                                                error->localizedFailureReason}));
  }
  if (library) {
    setMtlFunctionFromMTLLibrary(*library);
  } else {
    dropFunction();
    appendToLog(mglFormat("Shader %i could not be compiled.", {glID()}));
  }
}
