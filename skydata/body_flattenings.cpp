#include "skydata/body_flattenings.h"

namespace {

struct FlatteningRow {
  int typeCode;
  std::uint32_t body;
  double f[3];
};

// Earth (WGS 84) to Neptune: polar flattening only. Phobos, Deimos,
// Amalthea, Hyperion, Phoebe, Ceres and Vesta: triaxial figures from their
// published radii.
constexpr FlatteningRow kFlattenings[] = {
    {30, 3, {0, 0, 0.0033528131778969143}},
    {30, 4, {0, 0, 0.0064763}},
    {30, 5, {0, 0, 0.0648744}},
    {30, 6, {0, 0, 0.0979624}},
    {30, 7, {0, 0, 0.0229273}},
    {30, 8, {0, 0, 0.0171}},
    {31, 401, {0, 0.16417910447761197, 0.31343283582089554}},
    {31, 402, {0, 0.18666666666666676, 0.30666666666666664}},
    {31, 505, {0, 0.41600000000000004, 0.488}},
    {31, 607, {0, 0.2615213770127707, 0.42976124375347025}},
    {31, 609, {0, 0.00822669104204754, 0.06946983546617924}},
    {33, 1, {0, 0.004144218814753464, 0.07666804807293826}},
    {33, 4, {0, 0.02689486552567233, 0.22039818372336717}},
};

}  // namespace

bool bodyFlattenings(int typeCode, std::uint32_t body, double out[3]) {
  for (const FlatteningRow& row : kFlattenings) {
    if (row.typeCode == typeCode && row.body == body) {
      for (int k = 0; k < 3; ++k) out[k] = row.f[k];
      return true;
    }
  }
  out[0] = out[1] = out[2] = 0.0;
  return false;
}
