// Whole-file reads and crash-safe replacement of files.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ns {

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> readWholeFile(const std::string& path);

// Replaces `path` with `bytes` so that a reader sees either the old file or
// the new one, never a mixture: the bytes go to a temporary file in the same
// folder, are flushed to the disk, and the temporary file is renamed over
// the path. Returns false (and leaves the old file) on any failure.
// `beforeRename`, when given, runs between the flush and the rename (tests
// use it to stand for a crash at that moment).
bool writeFileAtomically(const std::string& path, std::string_view bytes,
                         const std::function<void()>& beforeRename = {});

}  // namespace ns
