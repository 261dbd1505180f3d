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
// the path. Returns false (and leaves the old file) on any failure, and
// for a file that keepUnreadableFileAside could not move: that one is not
// replaced while the process runs.
// `beforeRename`, when given, runs between the flush and the rename (tests
// use it to stand for a crash at that moment).
bool writeFileAtomically(const std::string& path, std::string_view bytes,
                         const std::function<void()>& beforeRename = {});

// writeFileAtomically for bytes that must pass a check made on the file
// itself (a catalogue that is opened and read back): `accept` is given the
// temporary file, flushed and closed, and the path is replaced only when it
// returns true. Otherwise, or on any failure, the old file stays and the
// temporary one is removed; so it does when it could not be kept aside.
bool replaceFileIfAccepted(const std::string& path, std::string_view bytes,
                           const std::function<bool(const std::string& temporaryPath)>& accept);

// Moves a file that could not be read out of the way of the next save, to
// `path` + ".unreadable" (then ".unreadable.1", ".unreadable.2", ...: never
// over a file kept earlier), so that what may still be recovered from it is
// not destroyed. The path it was kept under, or nothing when it could not be
// moved (`error`, when given, then says why).
std::optional<std::string> keepFileAside(const std::string& path, std::string* error = nullptr);

// For a store that found its file but could not read all of it: keeps the
// file aside (keepFileAside) and says so in one line on standard error,
//   "<kind> <path> <problem>; kept as <kept>, <inUse>", or
//   "<kind> <path> <problem> and cannot be kept aside (<why>); <inUse>,
//    and nothing is saved over it in this run".
// A file that cannot be moved stays where it is, and no write of this
// process replaces it (see writeFileAtomically): the store's next save
// would otherwise destroy it. Returns the line said, without its newline.
std::string keepUnreadableFileAside(const std::string& path, std::string_view kind,
                                    std::string_view problem = "cannot be read",
                                    std::string_view inUse = "defaults in use");

// Takes the outcome of each write of a store's file, and says the first of
// a run of failures in one line on standard error: "<kind> <path> could not
// be written; the old one is kept" while there is an old one, else "...;
// nothing is saved". A write that succeeds ends the run. A file that
// could not be kept aside was named then: its refused writes say nothing
// more. Any thread.
void noteFileWritten(const std::string& path, std::string_view kind, bool written);

}  // namespace ns
