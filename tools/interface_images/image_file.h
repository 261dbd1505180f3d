// Writing one drawn interface image at scales 1 and 2 ("Name.png" and
// "Name@2x.png"), and the colours the drawn images share.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "platform/coregraphics/context.h"

// The window's tint and the night theme's red.
inline constexpr cg::Color kTint{0.0, 0.65, 1.0, 1};
inline constexpr cg::Color kNightRed{0.8, 0, 0, 1};

// Draws in points with y downwards, as the interface does, into
// folder/name.png and folder/name@2x.png (each replaced atomically).
// False, with a message on standard error, when one cannot be written.
using Draw = std::function<void(cg::Context&)>;
bool write(const std::filesystem::path& folder, const std::string& name, double width, double height,
           const Draw& draw);
