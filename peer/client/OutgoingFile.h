// A file about to be sent: the name it travels under, whether that name can travel
// at all, and the open file with its size and times. Also the log line that tells the
// user why a file was not sent.
//
// Threads: the window thread (the report functions write the window's log panes).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "peer/protocol/ClientError.h"
#include "platform/FileSystem.h"

namespace qv {

struct Services;

// The name sent for `path`: with a base length of 0 the file's name with its
// extension; otherwise the path from byte `baseLength` on (the path relative to the
// dropped folder's parent), with "\" between folders. A path that does not reach
// beyond the base length, or whose cut would split a two-byte character, is sent
// under its file name.
std::string sentName(std::string_view path, std::size_t baseLength);

// True when `name` can travel in the name field of SEND-REQ, in a Pack record and in
// an LST line: not empty, under 900 bytes, no "|", tab, line break or 0 byte outside a
// two-byte character, no lead byte left without its second byte, and not one of the
// special names. Anything else would make the receiver refuse the request, split the
// name, or take the file for a Pack or a list.
bool nameCanTravel(std::string_view name);

// An open file ready to go.
struct OutgoingFile {
    std::string path;  // full path
    std::string name;  // name sent
    File file;
    std::int64_t size = 0;
    std::string created;  // "%Y/%m/%d %H:%M:%S", local time
    std::string written;
};

// Opens `path` for sending. On failure (a name that cannot travel, not a regular file,
// vanished, unreadable, too large for the size field) writes the reason to the log
// and returns nothing.
std::optional<OutgoingFile> openOutgoing(Services& services, const std::string& path,
                                         std::size_t baseLength);

// Reads exactly `size` bytes of `file` into `buffer`; false when the file ends sooner
// or a read fails (the file shrank while it was sent).
bool readExactly(File& file, char* buffer, std::int64_t size);

// "【送信エラー】REASON: PATH" in the upper pane (after the file's progress lines) and in
// front of the lower pane, where the failures of a long queue stay visible.
// `utf8Reason` is a literal of the program's texts.
void reportSendError(Services& services, const char* utf8Reason, std::string_view path);
// The same with the text of a client result code as the reason.
void reportExchangeError(Services& services, ClientResult result, std::string_view path);

}  // namespace qv
