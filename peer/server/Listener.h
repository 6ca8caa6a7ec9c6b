// The server half of the program: one thread that owns the listening socket and the
// connection table, accepts connections, waits the initial delay before reading each,
// reads what arrives, undoes the connection key and hands each request to its
// handler. Up to 20 connections are served interleaved; the listening queue is emptied
// on every pass even when all are taken, and who gets a slot then is Admission's
// choice.
//
// Nothing spins: each pass waits in a poll (SocketPoller) over the listening socket,
// the slots that are due and the poller's wake-up, for at most the time until the next slot is due
// or times out. An idle listener wakes about once a second; a running test stream wakes it only
// when a useful amount of data waits (see StreamWake.h).
//
// Threads: start(), stop(), wake() and closeAllConnections() on the window thread
// (debug builds assert that stop and closeAllConnections are not called from the
// listener thread, which would wait for itself); everything else runs on the
// listener thread. Handlers run on the listener thread (see ServeContext.h) and reach
// the listener only through their SlotControl; a verified payload is stored beside it
// (StoreAside.h), and the answers to PUB1-REQ, which connect out, are sent from a
// worker (PublicListAnswers.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "net/EventLoop.h"
#include "net/SocketPoller.h"
#include "peer/protocol/ClientError.h"
#include "peer/server/Admission.h"
#include "peer/server/LstAnswerSends.h"
#include "peer/server/PublicListAnswers.h"
#include "peer/server/ReplacementMarks.h"
#include "peer/server/SecureAcceptor.h"
#include "peer/server/StoreAside.h"
#include "services/RequestReactions.h"
#include "services/Services.h"

namespace qv {

class ConnectionTable;

class Listener {
  public:
    static constexpr std::size_t kReceiveBlock = 1000000;
    // A running test stream is only counted, so it is read in small pieces: they stay
    // in the processor's cache, and the window updates that frequent reads send let
    // the sender's queued data move on this core too (about 15% more on loopback).
    static constexpr std::size_t kStreamReceiveBlock = 16384;
    // At most this much of a stream is read before the other slots get their turn.
    static constexpr std::size_t kStreamDrainBytes = 262144;
    // How much of a new connection's first data is looked at for a whole request line.
    static constexpr std::size_t kEarlyLookBytes = 65536;

    // The handlers get `services` and `reactions` (ServeContext.h); both outlive the
    // listener. `onServing` runs on the listener thread once the listening socket is
    // open (or at once for port 0), before the first connection is served.
    Listener(Services& services, RequestReactions& reactions, std::function<void()> onServing = {});
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Starts the thread; port 0 listens nowhere but still serves PortN slots.
    // `openSocket`, when valid, is a non-blocking socket already listening on `port`,
    // taken over (and closed at the end) instead of opening the port.
    void start(int port, SocketHandle openSocket = kNoSocket);
    // Sets the stop flag, wakes the thread and waits for it to end.
    void stop();
    // Makes the thread look at its flags and slots now.
    void wake();
    // Runs `task` on the listener thread at the start of its next pass (at once when
    // the thread has not started). Called on the listener thread; the task may block.
    void post(std::function<void()> task);
    // Closes every connection from the listener thread and waits (pumping) until that
    // is done; used by Stop while the listener is paused.
    void closeAllConnections();

    bool running() const { return running_; }
    bool listening() const { return isValidSocket(listenSocket_); }
    // The start-up display (`onServing`) has returned and requests are being served.
    bool serving() const { return serving_; }
    // The port could not be opened ("%d 番ポートが開けません").
    bool openFailed() const { return openFailed_; }

    // ---- listener thread ----
    // Serves `raw` as if it had just been received on the used slot `index` (tests and
    // fuzzing; on the listener thread, or while no listener thread runs).
    void feedSlot(int index, std::string_view raw);

  private:
    // A handler's way to its slot and to the parts below.
    friend class SlotControl;

    // The payload store that runs beside the listener; nothing when the calls do not come
    // from the running listener thread (slots fed by tests store on the spot).
    StoreAside* storeAside();
    bool onListenerThread() const;
    void run(int port, SocketHandle openSocket);
    bool openListeningSocket(int port, SocketHandle openSocket);
    void loop();
    void pass();
    void waitForActivity();
    void acceptConnections();
    void admitHandshaken(std::uint32_t now);
    void admitWaiting(std::uint32_t now);
    void admit(const WaitingConnection& connection, std::uint32_t now);
    void logWaitingDropped(const IpAddress& address);
    void serveDueSlots(std::uint32_t now);
    bool firstRequestComplete(ConnectionSlot& slot);
    void drainSlot(int index, std::uint32_t now);
    // Reads once; true when data was read and handled.
    bool serveSlot(int index, std::uint32_t now);
    void handleBlock(int index, std::size_t length, std::uint32_t now);
    void serveBlock(int index, std::string_view block, std::uint32_t now);
    void dropSlot(int index, ClientResult code);
    void updateReceivingActive(std::uint32_t now);

    Services& services_;
    RequestReactions& reactions_;
    ConnectionTable& table_;
    std::function<void()> onServing_;
    Admission admission_;
    // The copies LST checks found outdated, for the files that replace them.
    ReplacementMarks replacementMarks_;
    StoreAside storeAside_;
    // The LST answers on their way back.
    LstAnswerSends lstAnswerSends_;
    // The queue of PUB1-REQ answers and its worker (it outlives stop() and start()).
    PublicListAnswers publicListAnswers_;
    // The encrypted handshakes; finished before the thread ends (they wake it).
    SecureAcceptor secureAcceptor_;
    std::unique_ptr<EventLoop> loop_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> closeAllRequested_{false};
    std::atomic<bool> closeAllDone_{false};
    std::atomic<SocketHandle> listenSocket_{kNoSocket};
    std::atomic<bool> openFailed_{false};
    std::atomic<bool> serving_{false};
    // What each pass waits on; wake() interrupts it from any thread.
    SocketPoller poller_;
    std::vector<char> block_;
    // What the last poll found.
    bool listenReadable_ = false;
    std::vector<bool> slotPolled_, slotReadable_;
};

}  // namespace qv
