// The GLSL test shaders of glsl_test_shaders.cases with glslangValidator's
// verdict on each (kept apart from the GL layer's headers, whose GL enums
// the shader compiler's test support also defines).
#pragma once

#include <string>
#include <vector>

namespace tessaly::test {

struct GLSLTestCase {
  std::string name;  // file name, ending in .vert or .frag
  bool vertex = true;
  bool valid = true;  // the label
  std::string text;
  bool validatorAccepts = false;
  std::string validatorMessages;
};

bool glslangValidatorAvailable();
// Every case, judged by the validator; a malformed file gives a case named
// "malformed:...".
std::vector<GLSLTestCase> glslTestCases();

}  // namespace tessaly::test
