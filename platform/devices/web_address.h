// Addresses as a web view resolves them.
//
// Thread rules: plain functions of their arguments; any thread.
#pragma once

#include <string>

namespace dev {

// The address without the "." and ".." segments of its path (RFC 3986,
// 5.2.4), as a browser resolves a relative link: "/a/b/../c" is "/a/c", a
// path ending in such a segment ends in "/", and ".." never climbs above
// the first segment. Everything from the first "?" or "#" on stays as it
// is. A file path resolved so names the folder the address names, even
// where the file system would take "linked/.." as the parent of the link's
// target.
std::string withoutDotSegments(const std::string& address);

}  // namespace dev
