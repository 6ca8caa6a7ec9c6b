// `SendWholeFile` and `SendFileResumable`: one file to the peer, either whole in one
// SEND-REQ (header, 0 byte and the file's bytes in one message) or resumable with
// SEND-R-REQ (the peer answers how much it already holds and the rest is streamed).
// With MD5 on, the digest of the file travels in the header; otherwise 32 spaces.
//
// A whole-file send holds the file in memory; a file of NO_RESUME_SIZE bytes or more
// (as bounded in SendWay.h) is therefore always sent resumable, even when asked to go
// whole.
//
// Threads: the window thread. Both pump while they work, so handlers (Stop, drops)
// run nested inside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "peer/protocol/ClientError.h"
#include "peer/protocol/RequestLine.h"

namespace qv {

class ClientSide;
struct Services;
struct OutgoingFile;

// The SEND-REQ line "SEND-REQ:%s|%d|%32s|%s|%s|" and its 0 byte, for a payload of
// `payloadSize` bytes that the caller appends.
std::string sendRequestHeader(const FileStamp& stamp, std::int64_t payloadSize);

// The progress heading of a send: "【%s へ ファイル送信】\r\n「%s(%d Bytes)」 \r\n".
std::string sendHeading(std::string_view peerText, std::string_view name, std::int64_t size);

// The file `path` whole to the peer. Returns the client result code, or -1 when the
// file could not be opened or read (the reason is in the log).
ClientResult sendWholeFile(Services& services, ClientSide& client, std::string_view peerText,
                           const std::string& path, std::size_t baseLength);

// The file `path` resumable to the peer. Returns the client result code, -1 when the
// file could not be opened, -11 when it shrank while it was sent.
ClientResult sendFileResumable(Services& services, std::string_view peerText,
                               const std::string& path, std::size_t baseLength);

// The MD5 digest text of an open file from its start, read in blocks while the window
// keeps pumping. Empty when a read fails or Stop was pressed meanwhile.
std::string digestOfOpenFile(Services& services, OutgoingFile& file);

}  // namespace qv
