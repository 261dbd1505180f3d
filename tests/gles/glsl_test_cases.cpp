#include "tests/gles/glsl_test_cases.h"

#include <cstdlib>

#include "corpus.h"
#include "glslang_oracle.h"
#include "temp_dir.h"

namespace tessaly::test {

bool glslangValidatorAvailable() { return shctest::glslang_available(); }

std::vector<GLSLTestCase> glslTestCases() {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  const std::string text =
      readFile(std::string(root != nullptr ? root : ".") + "/tests/gles/glsl_test_shaders.cases");
  std::vector<GLSLTestCase> cases;
  std::vector<shctest::oracle_shader> shaders;
  for (const shctest::corpus_case& c : shctest::parse_corpus("gles", text)) {
    GLSLTestCase test;
    test.name = c.name.substr(c.name.find('/') + 1);
    test.vertex = c.stage == SHC_SHADER_VERTEX;
    test.valid = c.valid;
    test.text = c.text;
    cases.push_back(test);
    shaders.push_back({test.name, c.text});
  }
  const std::vector<shctest::oracle_verdict> verdicts = shctest::glslang_validate(shaders, "");
  for (std::size_t k = 0; k < cases.size() && k < verdicts.size(); ++k) {
    cases[k].validatorAccepts = verdicts[k].accepted;
    cases[k].validatorMessages = verdicts[k].messages;
  }
  return cases;
}

}  // namespace tessaly::test
