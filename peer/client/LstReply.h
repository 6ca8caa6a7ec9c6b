// `ReadLstReply`: the peer's answer to an LST list (one "0" or "1" per listed file),
// read until the peer closes or stays silent, and kept in the work file
// "$$$$WORK.tmp$$$$" beside the program for the sender to read.
//
// Threads: the thread of the exchange (it pumps while it waits).
#pragma once

#include <string>

#include "net/Socket.h"
#include "peer/protocol/ClientError.h"

namespace qv {

struct Services;

// The work file's path.
std::string workFilePath(Services& services);

// Reads the answer on `socket`: 0 when something arrived (and the work file holds
// it), -1 when nothing did (the work file is then absent).
ClientResult readLstReply(Services& services, SocketHandle socket);

}  // namespace qv
