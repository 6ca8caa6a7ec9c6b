// Results of every client operation, the texts that log lines show for them and the
// names that scripts read, from one table.
//
// Threads: any (constants and a constant table).
#pragma once

#include <string>

namespace qv {

// The numbers are those the program has always logged and reported.
enum class ClientResult : int {
    kOk = 0,
    kSocketVersion = -1,  // also: an LST reply with no data, a file that cannot be read
    kHostNotFound = -2,
    kSocketOpen = -3,
    kConnect = -4,
    kTimeout = -5,
    kDisconnected = -6,
    kNoData = -7,
    kStopped = -8,
    kProxy = -9,
    kNoReply = -10,
    kSizeMismatch = -11,      // has a text; no operation returns it
    kKeysDiffer = -12,        // the encrypted handshake failed on the key
    kPeerNotEncrypted = -13,  // the peer closed during the handshake
    kNoSecurityKey = -14,     // the encrypted mode is on without a key
};

// The number of `result`, for the places that log or report it as a number and for
// returns that share their range with other values (a socket, "nothing was run").
constexpr int resultCode(ClientResult result) {
    return static_cast<int>(result);
}
// The result that `code` stands for; a socket (>= 0) stands for success.
constexpr ClientResult resultOfCode(int code) {
    return code >= 0 ? ClientResult::kOk : static_cast<ClientResult>(code);
}

// The text of `result` (cp932, Japanese: the front ends translate it through the core
// text table); "" for a number that is no result.
std::string clientResultText(ClientResult result);

// A stable ASCII name of `result` for scripts ("ok", "connect_failed", "timeout", ...);
// "" for a number that is no result.
const char* clientResultName(ClientResult result);

}  // namespace qv
