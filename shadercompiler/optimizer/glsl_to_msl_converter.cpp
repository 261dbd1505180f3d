#include "shadercompiler/optimizer/glsl_to_msl_converter.h"

#include <cstdio>

#include "shadercompiler/optimizer/shader_compiler.h"
#include "shadercompiler/optimizer/source_text.h"

namespace {

const char *version_word(int selector) {
  switch (selector) {
    case 0: case 4: return "120";
    case 2: return "300 es";
    case 3: return "110";
    default: return "100";
  }
}

}  // namespace

std::shared_ptr<MGLGLSLToMSLConverter> MGLGLSLToMSLConverter::converter() {
  return std::make_shared<MGLGLSLToMSLConverter>();
}

MGLGLSLToMSLConverter::MGLGLSLToMSLConverter()
    : context_(shc_create_context(true), shc_destroy_context) {}

MGLGLSLToMSLConverter::~MGLGLSLToMSLConverter() = default;

void MGLGLSLToMSLConverter::setShouldInvertTexCoordYAxis(bool invert) {
  shc_set_invert_texcoord_y(context_.get(), invert);
}

void MGLGLSLToMSLConverter::setShouldLogSourceCode(bool log) { shouldLogSourceCode_ = log; }

void MGLGLSLToMSLConverter::appendToLog(const std::string &message) {
  const std::string trimmed = asTrimmedString(message);
  if (!trimmed.empty()) log_.push_back(trimmed);
}

std::string MGLGLSLToMSLConverter::infoLog() const {
  std::string joined;
  for (const std::string &message : log_) joined += (joined.empty() ? "" : "\n\n") + message;
  return asTrimmedString(joined);
}

void MGLGLSLToMSLConverter::logSourceCode(const std::string &glsl) const {
  std::string shown = glsl;
  stripSourceCodeComments(shown);
  stripExtraBlankLines(shown);
  std::string text = "\n[mgl-info] Converting GLSL:\n" + shown + "\nEnd GLSL\n";
  text += "\n[mgl-info] Converted MSL:\n";
  text += mslSourceCode_ ? *mslSourceCode_ : std::string("Unable to convert GLSL to MSL.");
  text += "\nEnd MSL\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

bool MGLGLSLToMSLConverter::convertGLSLSource(const std::string &glsl, int glslVersion,
                                              uint32_t shaderType,
                                              const std::optional<std::string> &metalFunctionName) {
  log_.clear();
  mslSourceCode_.reset();

  // Without a directive the version goes on a line of its own numbered 0,
  // so that the shader's own lines keep their numbers in the log.
  std::string source = glsl;
  unsigned firstLine = 1;
  if (!hasGLSLVersionDirective(source)) {
    source = std::string("#version ") + version_word(glslVersion) + "\n" + source;
    firstLine = 0;
  }
  stripGLSLPrecision(source);

  const bool vertex = shaderType == 0x8B31;
  if (!vertex && shaderType != 0x8B30) {
    char message[64];
    std::snprintf(message, sizeof(message), "Illegal OpenGL shader type (%x) provided.",
                  shaderType);
    appendToLog(message);
    if (shouldLogSourceCode_) logSourceCode(glsl);
    return false;
  }
  conversionCount_++;
  const std::string name =
      metalFunctionName ? *metalFunctionName
                        : std::string(vertex ? "Vertex" : "Fragment") + "Shader" +
                              std::to_string(conversionCount_);

  shc_result result;
  shc_convert(context_.get(), vertex ? SHC_SHADER_VERTEX : SHC_SHADER_FRAGMENT, source.c_str(),
              firstLine, name.c_str(), &result);
  appendToLog(result.log);
  if (result.status) mslSourceCode_ = std::move(result.metal);
  if (shouldLogSourceCode_) logSourceCode(glsl);
  return mslSourceCode_.has_value();
}
