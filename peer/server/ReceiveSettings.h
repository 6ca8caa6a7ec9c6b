// The settings a file receive reads when a request arrives or completes: the receive
// folder (RECV_DIR), OVERWRITE, MD5 and MAKE_IP_DIR; and the digest rules.
//
// Threads: the listener thread (the settings store may be read from any thread).
#pragma once

#include <string>
#include <string_view>

#include "peer/server/ReceiveFolder.h"
#include "peer/server/ServeContext.h"

namespace qv {

struct ReceiveSettings {
    ReceiveFolder folder;
    long overwriteMode = 2;
    bool checkDigests = false;  // MD5
    // The folder every received name goes below: the peer's address with MAKE_IP_DIR,
    // else empty.
    std::string ipFolder;
};

ReceiveSettings receiveSettingsOf(ServeContext& context);

// True when the announced digest is to be checked: MD5 is on and the sender computed
// one (a digest field of spaces, or one beginning with a space, is never checked).
bool digestChecked(const ReceiveSettings& settings, std::string_view announced);

// Compares an announced digest with a computed one, ignoring the letter case of the
// hexadecimal digits.
bool digestMatches(std::string_view announced, std::string_view computed);

}  // namespace qv
