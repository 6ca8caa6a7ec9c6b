// The peer box as the buttons that talk to the peer read it, and the log line of a
// request that the peer is asked to answer later.
//
// Threads: window thread only.
#pragma once

#include <optional>
#include <string>

#include "peer/protocol/ClientError.h"

namespace qv {

struct Services;

// Reads the window back and returns the peer text; when the peer box is empty, tells
// the user ("相手先を設定してください") and returns nothing.
std::optional<std::string> peerFromBox(Services& services);

// Replaces the log with "【peer に要請しました】..." or "【peer が見つかりません】...",
// by the exchange's result code.
void logRequestResult(Services& services, const std::string& peer, ClientResult result);

}  // namespace qv
