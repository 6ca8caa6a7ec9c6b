// What a request handler may do with the connection it serves, and the parts of the
// listener that outlive the request (the payload store beside it, the replacement
// marks, the LST answer sends, the public-list answers). A handler sees this, never
// the Listener: it reads and moves on its slot's state, answers, and ends the request
// by closing the slot, detaching it for the payload store or handing it over.
//
// Threads: the listener builds one per block it serves, on its own thread; every call
// is made there (the store's report included).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "peer/server/ConnectionSlot.h"
#include "peer/server/PublicListAnswers.h"
#include "peer/server/StoreAside.h"

namespace qv {

class Listener;
class LstAnswerSends;
class ReplacementMarks;

class SlotControl {
  public:
    SlotControl(Listener& listener, int index);

    // ---- the slot ----
    // What the slot is doing; a handler that takes a payload or a stream moves it on.
    SlotState& state();
    // Bytes read on this connection so far, its request line included.
    std::int64_t bytesReceived() const;
    // True until the request closed, detached or released the slot.
    bool held() const { return held_; }

    // ---- answering and ending ----
    // Sends `bytes` once the connection takes them, waiting at most `waitMs` (the
    // listener's own posted work runs meanwhile); false when they were not all sent.
    bool reply(std::string_view bytes, std::uint32_t waitMs);
    // Ends the connection without an answer.
    void close();
    // Answers "OK", then ends the connection.
    void closeWithOk();
    // Frees the slot and hands its connection over open: the caller closes it once the
    // work it is kept for is done. For the table this is a close (a PortN connection
    // this PC opened is replaced).
    SocketHandle detach();
    // The connection itself, for what writes to it at its own pace (an LST answer) or
    // takes it over for good (PortN parks it, then release()).
    SocketHandle socket() const;
    // Frees the slot without closing the connection, which now belongs to the taker.
    void release();

    // ---- beside the listener ----
    // Waits for a payload still being stored beside the listener, so that what this
    // request answers or stores sees its files.
    void waitForPayloadStore();
    // True when a payload may be stored beside the listener: the slot is served by the
    // running listener thread (tests and fuzzing feed slots, which store on the spot).
    bool storesAside();
    // Runs `store` beside the listener and `report` on the listener thread once it is
    // done (StoreAside.h); only when storesAside().
    void storeAside(StoreAside::Store store, StoreAside::Report report);
    // The copies LST checks found outdated, for the files that replace them.
    ReplacementMarks& replacementMarks();
    // The LST answers on their way back (for a store's report to hand one on).
    LstAnswerSends& lstAnswerSends();
    // Queues the answer to a PUB1-REQ of `peerText` (PublicListAnswers.h).
    PublicListAnswers::Added queuePublicListAnswer(const std::string& peerText);

  private:
    ConnectionSlot& slot() const;

    Listener& listener_;
    int index_;
    bool held_ = true;
};

}  // namespace qv
