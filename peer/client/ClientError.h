// Result codes of every client operation, the texts that log lines show for them and
// the names that scripts read.
// The table lives in a ConfigStore under numeric keys, filled once at start-up.
//
// Threads: the codes are constants; the table is a ConfigStore (thread-safe).
#pragma once

#include <string>

namespace qv {

class ConfigStore;

namespace client {
inline constexpr int kOk = 0;
inline constexpr int kSocketVersion = -1;  // also: an LST reply with no data
inline constexpr int kHostNotFound = -2;
inline constexpr int kSocketOpen = -3;
inline constexpr int kConnect = -4;
inline constexpr int kTimeout = -5;
inline constexpr int kDisconnected = -6;
inline constexpr int kNoData = -7;
inline constexpr int kStopped = -8;
inline constexpr int kProxy = -9;
inline constexpr int kNoReply = -10;
inline constexpr int kSizeMismatch = -11;      // in the table; no operation returns it
inline constexpr int kKeysDiffer = -12;        // the encrypted handshake failed on the key
inline constexpr int kPeerNotEncrypted = -13;  // the peer closed during the handshake
inline constexpr int kNoSecurityKey = -14;     // the encrypted mode is on without a key
inline constexpr int kLowestCode = kNoSecurityKey;
}  // namespace client

// Fills `table` with the texts of codes 0 to client::kLowestCode.
void fillClientErrorTable(ConfigStore& table);

// The text of `code` in `table`; "" for a code that is not in it.
std::string clientErrorText(const ConfigStore& table, int code);

// A stable ASCII name of `code` for scripts ("ok", "connect_failed", "timeout", ...);
// "" for a code outside 0 to client::kLowestCode.
const char* clientResultName(int code);

}  // namespace qv
