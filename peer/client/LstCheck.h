// The list payloads of the sender: `SendListPayload` sends a payload under one of the
// special names ("** LST **", "** PUB1 **", "** PUB2 **") in the 7-field SEND-REQ, and
// `LstCheck` asks the peer which files of a list it already holds.
//
// The LST list has one line "%s\t%d\t%s\t%s\t\n" per file (name sent, size, creation
// and last-write time); the peer answers one "1" (held) or "0" (needed) per line,
// which the exchange keeps in the work file "$$$$WORK.tmp$$$$" beside the program.
//
// Threads: the window thread (the public-list answer also runs SendListPayload on the
// listener thread). Both pump while they wait, so handlers run nested inside.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "peer/protocol/ClientError.h"

namespace qv {

class ClientSide;
struct Services;

// Sends `payload` as "SEND-REQ:%s|%d|%32s|%s|%s|%d|%s|" with `specialName`, the current
// time as both times, this PC's listening port and identity. Returns the client result
// code; for "** LST **" the answer is then in the work file.
ClientResult sendListPayload(Services& services, ClientSide& client, std::string_view peerText,
                             std::string_view payload, std::string_view specialName);

// The LST list of the non-blank entries of `files` that can be described (the file is
// there); `listed` receives the index in `files` of each line.
std::string buildLstList(const std::vector<std::string>& files, std::size_t baseLength,
                         std::vector<std::size_t>& listed);

// How an LST answer applies to a list: the files the peer holds are blanked in
// `files`; the result is the number of non-blank files the peer lacks, or -1 when the
// answer is not usable. `listed` is buildLstList's. When every entry was listed the
// answer must have exactly one "0" or "1" per line; otherwise (some entries blank or
// gone) only the "1"s among the first characters are counted.
int applyLstAnswer(std::vector<std::string>& files, const std::vector<std::size_t>& listed,
                   std::string_view answer);

// `LstCheck`: sends the list of `files` to the peer and applies its answer. Returns
// the number of non-blank files the peer lacks (0 when every entry is blank, without
// sending anything), or -1 when the check failed.
int lstCheck(Services& services, ClientSide& client, std::string_view peerText,
             std::vector<std::string>& files, std::size_t baseLength);

}  // namespace qv
