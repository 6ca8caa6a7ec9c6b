// The ".tmp" resume file of a resumable receive: the prepared name followed by ".tmp"
// in the receive folder. It keeps what arrived across broken connections, and the
// next SEND-R-REQ for the same name continues from its length.
//
// One resume file serves one connection at a time: while a slot holds it open, a
// second connection for the same file is refused (two writers would interleave their
// data in it). The file is recognised by its identity on disk, so two spellings of
// one path are the same file.
//
// Threads: the listener thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "peer/server/ReceiveFolder.h"
#include "platform/FileSystem.h"

namespace qv {

class ConnectionTable;

// The resume file's path for a prepared name.
std::string resumePathOf(const ReceiveFolder& folder, std::string_view preparedName);

// Opens (creating it when missing, keeping its content) the resume file at `path`,
// whose folder must already exist. Refused (false) when the folder is not inside the
// receive folder or the entry is anything but a plain file (a link, a folder).
bool openResumeFile(const ReceiveFolder& folder, const std::string& path, File& file);

// True when a used slot receiving into a file has the same file open.
bool resumeFileInUse(ConnectionTable& table, const File& file);

}  // namespace qv
