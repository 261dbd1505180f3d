// Face names to font files through fontconfig.
//
// The application asks for faces by the names its screens and chart were
// written with ("Exo-Bold", "Helvetica", "Arial", ...). The bundle's
// Fonts/fonts.conf maps each of them to a face of the system's packaged
// fonts; it is added to the process's fontconfig configuration once, before
// the first face is resolved. A name that neither the configuration nor
// the installed fonts know resolves to the system font ("sans-serif").
// Any thread may call these.
#pragma once

#include <string>
#include <string_view>

namespace cg {

struct FaceMatch {
  std::string requestedName;
  std::string family;  // of the face found
  std::string file;
  int index = 0;       // face within the file
  int weight = 80;     // fontconfig weight (80 regular, 200 bold)
  int slant = 0;       // fontconfig slant (0 roman, 100 italic, 110 oblique)
  bool isFallback = false;  // the name was unknown: the system font stands in
  bool found = false;       // false only when fontconfig found no font at all
};

// The configured face for a name (cached).
FaceMatch resolveFace(std::string_view name);

// Adds the bundle's font configuration to the process's (once); false when
// the bundle has none or it does not parse. Called by resolveFace.
bool ensureFontConfiguration();

// The configuration file used, empty when none was found.
std::string fontConfigurationPath();

}  // namespace cg
