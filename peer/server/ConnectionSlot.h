// One connection of the listener: an accepted connection, or a PortN relay connection
// that this PC opened itself. A slot owns its socket, its receive buffer or receive
// file and its connection key, and frees them all when it is released.
//
// What a slot is doing is its state, one of:
//   AwaitingRequest      the request line is gathered until it is whole (every slot
//                        starts here; a request that ends at its line never leaves it)
//   ReceivingIntoMemory  a SEND-REQ payload is collected in a PayloadBuffer
//   ReceivingIntoFile    a SEND-R-REQ payload is written into its ".tmp" resume file
//   CountingStream       a DATA-REQ speed-test stream, whose bytes are only counted
// A PortN relay connection goes through the same states; whether a slot is one is
// where it came from (`relay`), not what it is doing.
//
// Threads: a used slot is served by the listener thread; the window thread only fills
// a free slot (ConnectionTable::claim) and closes slots while the listener is paused.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "base/FileTime.h"
#include "base/ProgramFlags.h"
#include "net/IpAddress.h"
#include "net/Socket.h"
#include "peer/protocol/ConnectionKey.h"
#include "peer/server/PayloadBuffer.h"
#include "peer/server/RequestHead.h"
#include "peer/server/StreamWake.h"
#include "platform/FileSystem.h"

namespace qv {

struct AwaitingRequest {
    RequestHead head;            // the request line until it is whole
    bool earlyLookDone = false;  // the line was looked for before the wait ended
    std::uint32_t deadline = 0;  // tick by which the line must be whole
};

// What a file receive learnt from its request line.
struct IncomingFile {
    std::string fileName;  // the prepared name below the receive folder
    std::string digest;    // announced MD5, or a leading space
    std::int64_t expectedSize = 0;
    FileTimes times;
    std::uint32_t startTick = 0;
    ProgressPace progressPace;  // the receive title's last second and position
};

struct ReceivingIntoMemory {
    IncomingFile file;
    std::unique_ptr<PayloadBuffer> buffer;
    std::string replyAddress;  // "%s:%s:%s" from a 7-field SEND-REQ, else empty
};

struct ReceivingIntoFile {
    IncomingFile file;
    File resumeFile;
    std::string resumePath;
};

struct CountingStream {
    StreamWake wake;  // when the running stream wakes the listener
};

using SlotState =
    std::variant<AwaitingRequest, ReceivingIntoMemory, ReceivingIntoFile, CountingStream>;

struct ConnectionSlot {
    SocketHandle socket = kNoSocket;  // kNoSocket: the slot is free
    std::string peerAddress;          // dotted, or IPv6 in brackets
    IpAddress relayAddress;           // the peer's address
    ConnectionKey key;
    std::uint32_t lastActivity = 0;  // tick of the last data (or set-up)
    std::uint32_t nextService = 0;   // not read before this tick
    std::int64_t bytesReceived = 0;  // the request line included
    std::uint32_t windowStart = 0;   // the current payload window (see Admission.h)
    std::int64_t windowBytes = 0;    // bytes received when that window began
    bool relay = false;              // a PortN connection this PC opened
    int relayPort = 0;
    std::string peerKey;  // "%s:%s" of the relay peer; empty if accepted
    SlotState state;

    bool used() const { return isValidSocket(socket); }
    bool awaitsRequest() const { return std::holds_alternative<AwaitingRequest>(state); }
    bool countsStream() const { return std::holds_alternative<CountingStream>(state); }
};

}  // namespace qv
