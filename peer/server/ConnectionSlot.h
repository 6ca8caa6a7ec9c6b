// One connection of the listener: an accepted connection, or a PortN relay connection
// that this PC opened itself. A slot owns its socket, its receive buffer or receive
// file and its connection key, and frees them all when it is released.
//
// Threads: a used slot is served by the listener thread; the window thread only fills
// a free slot (ConnectionTable::claim) and closes slots while the listener is paused.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/FileTime.h"
#include "base/ProgramFlags.h"
#include "net/IpAddress.h"
#include "peer/protocol/ConnectionKey.h"
#include "peer/server/PayloadBuffer.h"
#include "peer/server/RequestHead.h"
#include "peer/server/StreamWake.h"
#include "platform/FileSystem.h"

namespace qv {

struct ConnectionSlot {
    int socket = -1;                              // -1: the slot is free
    std::unique_ptr<PayloadBuffer> memoryBuffer;  // collects a SEND-REQ payload
    std::string peerAddress;                      // dotted, or IPv6 in brackets
    std::uint32_t lastActivity = 0;               // tick of the last data (or set-up)
    std::uint32_t nextService = 0;                // not read before this tick
    std::string replyAddress;                     // "%s:%s:%s" from a 7-field SEND-REQ
    std::string fileName;                         // the file being received
    std::string digest;                           // announced MD5, or a leading space
    std::int64_t expectedSize = 0;
    std::int64_t bytesReceived = 0;
    std::uint32_t startTick = 0;
    File receiveFile;  // the ".tmp" file of a resumable receive
    std::string receiveFilePath;
    FileTimes times;
    ConnectionKey key;
    bool relay = false;  // a PortN connection this PC opened
    int relayPort = 0;
    IpAddress relayAddress;             // the peer's address
    std::string peerKey;                // "%s:%s" of the relay peer; empty if accepted
    bool busy = false;                  // a payload or stream is being received
    RequestHead head;                   // the request line until it is whole
    bool earlyLookDone = false;         // the first request was looked for before the wait ended
    StreamWake wake;                    // when a running test stream wakes the listener
    std::uint32_t requestDeadline = 0;  // tick by which the request line must be whole
    std::uint32_t windowStart = 0;      // the current payload window (see Admission.h)
    std::int64_t windowBytes = 0;       // bytes received when that window began
    ProgressPace progressPace;          // the receive title's last second and position

    bool used() const { return socket >= 0; }
};

}  // namespace qv
