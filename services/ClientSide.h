// What only the client's mechanics use beyond the services (services/Services.h): the
// speed test's state and payload, the send queue, the port this PC listens on, whether
// the program has ended, and the two ways a client reaches the listener thread. The
// program implements it; a function takes it beside the services only when it needs
// one of these.
//
// Threads: speedTest() and sendQueue() on the window thread only; the rest from any
// thread.
#pragma once

#include <functional>
#include <vector>

namespace qv {

class SendQueue;
struct ConnectionSlot;
struct SpeedTestState;

class ClientSide {
  public:
    // The speed test's histories, send buffer size and auto-tune. Window thread only.
    virtual SpeedTestState& speedTest() = 0;
    // The send queue of drops and downloads. Window thread only.
    virtual SendQueue& sendQueue() = 0;
    // The port the listener listens on (0: it does not).
    virtual int listeningPort() const = 0;
    // The speed test's payload, made at start-up.
    virtual const std::vector<unsigned char>& payload() const = 0;
    // True once the program has ended (a late reset must not revive the listener).
    virtual bool ended() const = 0;

    // Hands a registered relay connection to the listener: it takes a free slot of
    // the connection table and the listener is woken to serve it. False when no slot
    // is free; the caller keeps the socket then.
    virtual bool handToListener(ConnectionSlot&& slot) = 0;
    // Runs `task` on the listener thread, after what that thread is running now (at
    // once on the calling thread while no listener runs).
    virtual void runOnListener(std::function<void()> task) = 0;

  protected:
    ~ClientSide() = default;
};

}  // namespace qv
