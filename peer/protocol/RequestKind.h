// The request kinds of the peer protocol, how a receiver recognises them, and the
// short replies that travel back.
//
// A client connects, sends one request line (kind prefix, fields separated by "|",
// one 0 byte), a SEND-REQ also its payload, and for some kinds reads a short reply.
// The receiver gathers a connection's first bytes until the request line is whole
// (after undoing the connection key) and tells the kind from its start.
//
// Pure functions and constants; callable from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

enum class RequestKind {
    Unknown,
    Test,        // "TEST-REQ:"   connection test, answered "OK"
    Chat,        // "CHAT-REQ:"   chat line, answered "OK"
    Pub1,        // "PUB1-REQ:"   asks for the public list (sent back on a new connection)
    Recv,        // "RECV-REQ:"   asks the peer to stream test data, "OK" when accepted
    RecvAns,     // "RECV-ANS:"   free-text report of the buffer auto-tune
    Data,        // "DATA-REQ:"   speed-test stream
    Send,        // "SEND-REQ:"   file, Pack, LST list or public list with its payload
    SendResume,  // "SEND-R-REQ:" resumable file send
    PortN,       // "PORTN-REQ:"  hands the connection over for PortN
};

// The kind's prefix including its colon ("" for Unknown).
std::string_view requestPrefix(RequestKind kind);

// The kind whose prefix begins the block, or Unknown (also for a block shorter than
// any prefix).
RequestKind recogniseRequest(std::string_view block);

// True while `head` (the first bytes of a connection, key undone) is the start of some
// kind's prefix or begins with one: more bytes may still make it a request.
bool mayBeginRequest(std::string_view head);

// True when a block, read while no request is in progress, cannot hold a request: it
// has no 0 byte (the bytes gathered begin no request, or ran past the longest line)
// and is not speed-test data.
bool isTransferError(std::string_view block);

// The request line of a block: everything before its first 0 byte (the whole block
// when there is none).
std::string_view requestLineOf(std::string_view block);

// What follows the first 0 byte of a block: the first bytes of a SEND-REQ payload.
// Empty when the block has no 0 byte.
std::string_view bytesAfterTerminator(std::string_view block);

// Special names in the name field of a SEND-REQ.
inline constexpr std::string_view kPackName = "** PAK **";   // Pack records
inline constexpr std::string_view kLstName = "** LST **";    // LST list, answered at once
inline constexpr std::string_view kPub1Name = "** PUB1 **";  // the sender's public list
inline constexpr std::string_view kPub2Name = "** PUB2 **";  // picks from a public list

// True for the four names above. A real file must not travel under one of them.
bool isSpecialName(std::string_view name);

// A client that was told to use a proxy may reach a peer directly and open with an
// HTTP CONNECT; the peer answers as a proxy would and then reads the request.
inline constexpr std::string_view kConnectPreamble = "CONNECT ";
inline constexpr std::string_view kConnectAnswer = "HTTP/1.1 200 OK\r\n\r\n";
// True when a block (as received, before the key is undone) opens with "CONNECT ".
bool isConnectPreamble(std::string_view block);

// The acceptance reply: two bytes, no terminator.
inline constexpr std::string_view kOkReply = "OK";
// True when a reply begins with "OK".
bool isOkReply(std::string_view reply);

// The offset reply of SEND-R-REQ: the bytes the receiver already holds, "%d" and a 0
// (read back by peer/protocol/ReplyReader.h).
std::string offsetReply(std::int64_t heldBytes);

// What a client waits for after sending a request.
enum class ExpectedReply {
    None,       // nothing: the exchange ends when the last byte is sent
    Ok,         // "OK" (TEST-REQ, CHAT-REQ, RECV-REQ)
    Relay,      // "OK", then the connection is kept for PortN (PORTN-REQ)
    LstAnswer,  // one "0"/"1" per listed file (SEND-REQ named "** LST **")
};

// Classifies a composed request by its first bytes. A SEND-REQ expects the LST
// answer only when its name field is exactly "** LST **", so a file whose name merely
// begins with those characters is sent as an ordinary file.
ExpectedReply expectedReply(std::string_view request);

}  // namespace qv
