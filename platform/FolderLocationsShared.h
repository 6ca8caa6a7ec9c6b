// Inside the platform layer: what FolderLocations.cpp and its Windows side share
// (FolderLocationsShared.cpp). Each side gives systemLocation.
//
// Threads: any thread.
#pragma once

#include <string>

namespace qv {

// The folder or name for `code` in UTF-8, as the system gives it; "" when none.
// The temporary file names are made in FolderLocationsShared.cpp.
std::string systemLocation(int code);

// `folder` ending in "/".
std::string withTrailingSlash(std::string folder);

}  // namespace qv
