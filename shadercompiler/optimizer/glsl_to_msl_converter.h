// The GL layer's GLSL-to-Metal converter: one object per conversion of a
// shader's GLSL into the Metal source of one function.
//
// Thread rules: an object is used by one thread at a time; objects on
// several threads convert at once (the compiler serialises them).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct shc_ctx;

// A converted fragment shader that reads gl_FragCoord finds the height of
// its render target in this member of its uniform structure (Metal counts
// window rows from the top, GL from the bottom); the layer writes it before
// each draw. GL reserves the prefix, so no shader's own uniform has it.
inline constexpr const char *kMGLTargetHeightUniform = "gl_TargetHeight";

class MGLGLSLToMSLConverter {
 public:
  // A converter with an empty log, the function name placeholder
  // "xlatMtlMain", source logging off and Y inversion on.
  static std::shared_ptr<MGLGLSLToMSLConverter> converter();

  MGLGLSLToMSLConverter();
  ~MGLGLSLToMSLConverter();
  MGLGLSLToMSLConverter(const MGLGLSLToMSLConverter &) = delete;
  MGLGLSLToMSLConverter &operator=(const MGLGLSLToMSLConverter &) = delete;

  // Inverts the Y axis of texture coordinates in later conversions.
  void setShouldInvertTexCoordYAxis(bool invert);
  // Later conversions print the GLSL and the Metal source on standard
  // output.
  void setShouldLogSourceCode(bool log);

  // Converts the GLSL of a GL_VERTEX_SHADER or GL_FRAGMENT_SHADER into
  // Metal. A text without a #version directive is compiled as the version
  // the selector names (0 or 4: 120, 2: 300 es, 3: 110, else 100) with its
  // lines numbered from 1 as given; precision statements and qualifiers
  // are stripped. Without a function name the function is called
  // "VertexShader<n>" or "FragmentShader<n>", n counting this converter's
  // conversions. True exactly when Metal source was produced.
  bool convertGLSLSource(const std::string &glsl, int glslVersion, uint32_t shaderType,
                         const std::optional<std::string> &metalFunctionName);

  // The messages of the last conversion, joined by a blank line and
  // trimmed; empty when there is nothing to report.
  std::string infoLog() const;
  // The Metal source of the last conversion; none after a failure.
  const std::optional<std::string> &mslSourceCode() const { return mslSourceCode_; }

  unsigned long conversionCount() const { return conversionCount_; }
  const std::string &metalFunctionNamePlaceholder() const { return functionNamePlaceholder_; }

 private:
  void appendToLog(const std::string &message);
  void logSourceCode(const std::string &glsl) const;

  std::vector<std::string> log_;
  std::optional<std::string> mslSourceCode_;
  unsigned long conversionCount_ = 0;
  bool shouldLogSourceCode_ = false;
  std::string functionNamePlaceholder_ = "xlatMtlMain";
  std::unique_ptr<shc_ctx, void (*)(shc_ctx *)> context_;
};
