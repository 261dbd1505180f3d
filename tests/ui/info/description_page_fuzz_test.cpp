// Fuzzing the description page: damaged catalogue records of every object
// class read as the catalogue reads them, and damaged texts from the
// satellite web site. Every page stays within its buffer, ends with its
// closing tags, and lets no text from outside open a tag.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "platform/foundation/user_defaults.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "tests/support/fuzz.h"
#include "tests/support/loopback_server.h"
#include "tests/ui/info/info_sky.h"
#include "ui/info/description_page.h"

namespace {

using info_test::InfoSky;
using tessaly::test::LoopbackServer;

constexpr std::size_t kPageSize = 10000;
constexpr const char* kEnding = "</p></body></html>";

// The page in an exact-size buffer, so that the sanitizers see any write
// past it; checks that it ends as a page.
std::string checkedPage(CSkyChart& chart, CSkyObject* object) {
  auto buffer = std::make_unique<char[]>(kPageSize);
  EXPECT_TRUE(getObjectDescriptionHTML(&chart, object, buffer.get(), kPageSize));
  const std::size_t length = strnlen(buffer.get(), kPageSize);
  EXPECT_LT(length, kPageSize);
  const std::string page(buffer.get(), length);
  EXPECT_TRUE(page.size() >= std::strlen(kEnding) &&
              page.compare(page.size() - std::strlen(kEnding), std::string::npos, kEnding) == 0);
  return page;
}

// Every record the sky's objects write, as seeds.
std::vector<std::string> recordSeeds(InfoSky& sky) {
  std::vector<CSkyObject*> objects;
  for (int s = 0; s < info_test::kStarCount; ++s)
    objects.push_back(sky.star(static_cast<info_test::Star>(s)));
  for (int d = 0; d < info_test::kDeepSkyCount; ++d)
    objects.push_back(sky.deepSky(static_cast<info_test::DeepSky>(d)));
  objects.push_back(sky.crater());
  objects.push_back(sky.town());
  for (int i = 0; i < sky.database().getSolarSystemObjectCount(); ++i)
    if (CPlanet* body = sky.database().getSolarSystemObject(i)) objects.push_back(body);
  std::vector<std::string> seeds;
  for (CSkyObject* object : objects) {
    std::string bytes(4096, '\0');
    const std::int64_t length =
        object->writeRecord(bytes.data(), static_cast<std::int64_t>(bytes.size()), false);
    if (length <= 0) continue;
    bytes.resize(static_cast<std::size_t>(length));
    seeds.push_back(bytes);
  }
  return seeds;
}

TEST(DescriptionPageFuzz, DamagedRecordsOfEveryClassGiveWholePages) {
  InfoSky sky;
  auto chart = sky.chart(info_test::kSatelliteDate);
  const std::vector<std::string> seeds = recordSeeds(sky);
  ASSERT_GT(seeds.size(), 40u);
  int read = 0, refused = 0;
  tessaly::test::FuzzOptions options;
  options.iterations = tessaly::test::fuzzIterations(2000);
  options.maxSize = 4096;
  tessaly::test::fuzz(
      seeds,
      [&](std::string_view input) {
        if (input.empty()) return;
        const int type = static_cast<unsigned char>(input[0]);
        std::unique_ptr<CSkyObject> object(createSkyObject(type));
        // An exact-size copy: a read past the record is the sanitizers' to see.
        auto bytes = std::make_unique<char[]>(input.size());
        std::memcpy(bytes.get(), input.data(), input.size());
        if (object == nullptr ||
            object->readRecord(bytes.get(), static_cast<std::int64_t>(input.size()), false) <= 0) {
          ++refused;
          return;
        }
        ++read;
        chart->updateObjectPosition(object.get());
        checkedPage(*chart, object.get());
      },
      options);
  std::printf("records: %d read, %d refused\n", read, refused);
  EXPECT_GT(read, options.iterations / 10);
  EXPECT_GT(refused, options.iterations / 10);
}

TEST(DescriptionPageFuzz, DamagedTextsFromTheSatelliteSiteOpenNoTag) {
  InfoSky sky;
  auto chart = sky.chart(info_test::kSatelliteDate);
  CSkyObject* iss = sky.satellite(info_test::kISS);
  chart->updateObjectPosition(iss);
  std::mutex mutex;
  std::string answer;
  LoopbackServer site([&](int client, const LoopbackServer::Request&) {
    std::string body;
    {
      std::lock_guard<std::mutex> lock(mutex);
      body = answer;
    }
    LoopbackServer::sendResponse(client, 200, "OK", body);
  });
  ns::UserDefaults::standard().setString(kSatelliteDescriptionURLKey, site.url(""));
  const std::string bare = checkedPage(*chart, iss);  // an empty answer adds nothing
  const std::size_t start = bare.size() - std::strlen(kEnding);
  int fetched = 0;
  static constexpr char kControls[] = "tab\tline\nnul\0end\x7f\x1b[31m";
  tessaly::test::FuzzOptions options;
  options.iterations = tessaly::test::fuzzIterations(300);
  options.maxSize = 20000;
  const std::vector<std::string> seeds = {
      "<script>alert(1)</script> & <b>", "The first module, Zarya, was launched in 1998.",
      std::string(kControls, sizeof kControls - 1),
      "\xc3\xa9t\xc3\xa9 \xe2\x80\x94 &amp; &#39;", std::string(12000, 'x') + "<i>"};
  tessaly::test::fuzz(
      seeds,
      [&](std::string_view input) {
        {
          std::lock_guard<std::mutex> lock(mutex);
          answer.assign(input);
        }
        const std::string page = checkedPage(*chart, iss);
        ASSERT_EQ(page.compare(0, start, bare, 0, start), 0);
        if (page.size() == bare.size()) return;
        ++fetched;
        ASSERT_EQ(page.compare(start, 3, "<p>"), 0);
        const std::string inserted =
            page.substr(start + 3, page.size() - start - 3 - std::strlen(kEnding));
        EXPECT_EQ(inserted.find_first_of("<>\"'"), std::string::npos);
        for (const char c : inserted)
          EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
      },
      options);
  ns::UserDefaults::standard().removeObject(kSatelliteDescriptionURLKey);
  std::printf("fetched texts: %d of %d inserted\n", fetched, options.iterations);
  EXPECT_GT(fetched, options.iterations / 2);
}

}  // namespace
