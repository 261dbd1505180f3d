// Reading object records: catalogue regions hold thousands of stars and
// are read whenever they come into view.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "skydata/deep_sky_object.h"
#include "skydata/object_factory.h"
#include "skydata/record_io.h"
#include "skydata/star.h"

namespace {

std::vector<unsigned char> starRecord() {
  std::vector<unsigned char> buffer(256);
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  w.writeRecordU8(1);
  w.writeRecordU8(3);
  for (std::int64_t n : {50000000000048915LL, 40000000000002491LL, 110000000000032349LL}) {
    w.writeRecordI64(n);
  }
  w.writeRecordU8(1);
  w.writeRecordString("Sirius");
  for (double f : {1.7678, -0.2918, 2.637, -2.6e-6, -5.9e-6, -5.6e-6}) w.writeRecordFloat(f);
  w.writeRecordI16(-146);
  w.writeRecordI16(-146);
  w.writeRecordString("A1V");
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

void BM_ReadStarRecord(benchmark::State& state) {
  const auto record = starRecord();
  for (auto _ : state) {
    std::unique_ptr<CSkyObject> star(createSkyObject(record[0]));
    benchmark::DoNotOptimize(
        star->readRecord(record.data(), static_cast<std::int64_t>(record.size()), false));
  }
}
BENCHMARK(BM_ReadStarRecord);

// A nebula outline of 500 points.
void BM_ReadContourRecord(benchmark::State& state) {
  std::vector<unsigned char> record(4 + 12 * 500 + 16);
  RecordWriter w(record.data(), static_cast<std::int64_t>(record.size()), true);
  w.writeRecordU32(500);
  for (int i = 0; i < 500 * 3 + 4; ++i) w.writeRecordFloat(0.001 * i);
  CDeepSkyContour contour;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        contour.readRecord(record.data(), static_cast<std::int64_t>(record.size()), true));
  }
}
BENCHMARK(BM_ReadContourRecord);

}  // namespace
