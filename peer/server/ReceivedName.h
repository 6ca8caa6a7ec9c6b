// Names that a peer sends with a file, turned into names below the receive folder.
//
// The cleaning keeps what every sender relies on: "/" and "\" both separate folders,
// "..\" is removed, ":" becomes the full-width "：" and a doubled "\" becomes "￥￥",
// so "..\..\x.txt" arrives as "￥￥x.txt" and "c:/x.txt" as the file x.txt in the
// folder "c：". Removing "..\" once can join dots into a new "..\" ("....\x" gives
// "..\x"), so the removal repeats until none is left. A name whose file part is
// empty, "." or ".." names no file and is refused. Where the result lands on disk is
// checked separately (ReceiveFolder.h): the name alone cannot see symbolic links.
//
// Pure functions; callable from any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Byte limits of the original buffers: the name field of a request, and a name inside
// a Pack record or an LST line. The prepared name keeps at most limit - 1 bytes.
inline constexpr std::size_t kRequestNameLimit = 900;
inline constexpr std::size_t kEntryNameLimit = 1000;

// The cleaned name of a received file, relative to the receive folder, with "\"
// between folders; with `ipFolder` not empty it is put below the folder of that name
// (the peer's dotted address, for MAKE_IP_DIR). The special names ("** PAK **" ...)
// come back unchanged. Empty optional when the name names no file.
std::optional<std::string> prepareReceivedName(std::string_view name, std::size_t limit,
                                               std::string_view ipFolder = {});

// The folder part of a prepared name ("" or "a\b\") and its file part ("x.txt").
std::string folderPartOf(std::string_view preparedName);
std::string filePartOf(std::string_view preparedName);

}  // namespace qv
