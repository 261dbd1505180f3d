// Dot segments of a resolved address: the published examples of RFC 3986
// (5.4, resolved against http://a/b/c/d;p?q), and a fuzzed run against
// std::filesystem's lexical normal form, a separate implementation of the
// same rule for paths.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/devices/web_address.h"
#include "tests/support/fuzz.h"

namespace {

using dev::withoutDotSegments;

TEST(WebAddress, TheRfcsExamplesLoseTheirDotSegments) {
  // RFC 3986, 5.4.1 and 5.4.2: the merged path of each reference, then
  // the result the RFC gives.
  const std::pair<const char*, const char*> examples[] = {
      {"/b/c/./g", "/b/c/g"},       {"/b/c/g/", "/b/c/g/"},     {"/b/c/.", "/b/c/"},
      {"/b/c/./", "/b/c/"},         {"/b/c/..", "/b/"},         {"/b/c/../", "/b/"},
      {"/b/c/../g", "/b/g"},        {"/b/c/../..", "/"},        {"/b/c/../../", "/"},
      {"/b/c/../../g", "/g"},       {"/b/c/../../../g", "/g"},  {"/b/c/../../../../g", "/g"},
      {"/./g", "/g"},               {"/../g", "/g"},            {"/b/c/g.", "/b/c/g."},
      {"/b/c/.g", "/b/c/.g"},       {"/b/c/g..", "/b/c/g.."},   {"/b/c/..g", "/b/c/..g"},
      {"/b/c/./../g", "/b/g"},      {"/b/c/./g/.", "/b/c/g/"},  {"/b/c/g/./h", "/b/c/g/h"},
      {"/b/c/g/../h", "/b/c/h"},    {"/b/c/g;x=1/./y", "/b/c/g;x=1/y"},
      {"/b/c/g;x=1/../y", "/b/c/y"}, {"/b/c/g?y/./x", "/b/c/g?y/./x"},
      {"/b/c/g?y/../x", "/b/c/g?y/../x"}, {"/b/c/g#s/./x", "/b/c/g#s/./x"},
      {"/b/c/g#s/../x", "/b/c/g#s/../x"}};
  for (const auto& [merged, expected] : examples) EXPECT_EQ(withoutDotSegments(merged), expected) << merged;
}

TEST(WebAddress, FuzzedPathsAgreeWithTheLexicalNormalForm) {
  const std::vector<tessaly::test::Bytes> seeds = {
      "/bundle/SkyInfo/Satellites/../images/ISS.jpg", "/a/./b/../../c/", "/x/y/z/../../..", "/../..", "/"};
  tessaly::test::FuzzOptions options;
  options.iterations = tessaly::test::fuzzIterations(20000);
  options.maxSize = 200;
  int compared = 0, climbing = 0;
  tessaly::test::fuzz(seeds, [&](std::string_view data) {
    const std::string address(data);
    const std::string once = withoutDotSegments(address);
    ASSERT_EQ(withoutDotSegments(once), once) << address;
    // Paths the two rules read alike: absolute, no empty segment, no
    // query or fragment, no NUL (a std::filesystem path stops at none).
    if (address.empty() || address[0] != '/' || address.find("//") != std::string::npos ||
        address.find_first_of(std::string("?#\0", 3)) != std::string::npos)
      return;
    ++compared;
    if (address.find("..") != std::string::npos) ++climbing;
    ASSERT_EQ(once, std::filesystem::path(address).lexically_normal().string()) << address;
  }, options);
  EXPECT_GT(compared, 1000);
  EXPECT_GT(climbing, 200);
}

}  // namespace
