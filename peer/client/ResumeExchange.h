// `ExchangeResumeSend`: the resumable file send. The header goes first; the peer
// answers with the number of bytes it already holds; the file is streamed from that
// offset (scrambled, read ahead in a window of at most 1,000,000 bytes) and the peer's
// "OK" ends it. An offset equal to the file size (the peer has the whole file) ends
// at once with success.
//
// Threads: the window thread; every wait pumps, so Stop is seen between chunks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "peer/protocol/ClientError.h"

namespace qv {

struct Services;
class File;

// Returns a client result code. A file that ends before `fileSize` bytes were read
// (it shrank while it was sent) gives -11 ("送信サイズが相違します").
ClientResult exchangeResumeSend(Services& services, std::string_view peerText, std::string header,
                                File& file, std::int64_t fileSize);

}  // namespace qv
