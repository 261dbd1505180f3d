// The vertical flip of PVRTC data a texture upload does when the context
// asks for it (decode, swap rows, encode): 1024 x 1024 RGBA should take
// well under 100 ms.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "gles/context/gl_enums.h"
#include "gles/textures/pvrtc.h"
#include "gles/textures/pvrtc_codec.h"

namespace {

void BM_FlipPVRTC(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  const GLenum format = GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(mglPVRTCDataSize(side, side, format)));
  std::mt19937 random(1);
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  for (auto _ : state) {
    mglFlipPVRTCVertically(data.data(), side, side, format);
    benchmark::DoNotOptimize(data.data());
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_FlipPVRTC)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

void BM_DecodePVRTC(benchmark::State& state) {
  const int side = 1024;
  std::vector<std::uint8_t> data(side * side / 2), pixels(side * side * 4);
  std::mt19937 random(2);
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  for (auto _ : state) {
    Javelin::PvrTcDecoder::DecodeRgba4Bpp(pixels.data(), {side, side}, data.data());
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_DecodePVRTC)->Unit(benchmark::kMillisecond);

}  // namespace
