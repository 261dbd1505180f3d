# Writes OUTPUT, a C++ file whose defaultLibrarySource() returns the text of
# INPUT. Run by the build whenever INPUT changes.
file(READ ${INPUT} content)
file(WRITE ${OUTPUT}.tmp
  "// Generated from ${INPUT} by embed_source.cmake; do not edit.\n"
  "#include \"platform/metal/msl/default_library.h\"\n\n"
  "namespace mtl::msl {\n\n"
  "std::string_view defaultLibrarySource() {\n"
  "  static constexpr char kSource[] = R\"tessaly_source(${content})tessaly_source\";\n"
  "  return {kSource, sizeof kSource - 1};\n"
  "}\n\n"
  "}  // namespace mtl::msl\n")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
