// The application's default shader library source
// (resources/Shaders/Default.metal), embedded when the program is built.
#pragma once

#include <string_view>

namespace mtl::msl {

std::string_view defaultLibrarySource();

}  // namespace mtl::msl
