#include "peer/server/Listener.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "base/SettingKeys.h"
#include "base/TimeText.h"
#include "net/AddressClass.h"
#include "net/ListenSocket.h"
#include "net/SocketCalls.h"
#include "net/Waits.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/RequestKind.h"
#include "peer/server/ConnectionTable.h"
#include "peer/server/Dispatch.h"
#include "peer/server/PublicListServe.h"
#include "peer/server/ServeContext.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// An accepted connection that has not been read yet and may still be served before
// its initial wait ends (see Listener::firstRequestComplete).
AwaitingRequest* awaitingEarlyLook(ConnectionSlot& slot) {
    auto* awaiting = std::get_if<AwaitingRequest>(&slot.state);
    if (slot.relay || !awaiting || slot.bytesReceived != 0 || awaiting->earlyLookDone)
        return nullptr;
    return awaiting;
}

// The wake-up of a running test stream; nothing for any other slot.
StreamWake* streamWakeOf(ConnectionSlot& slot) {
    auto* stream = std::get_if<CountingStream>(&slot.state);
    return stream ? &stream->wake : nullptr;
}

bool readableNow(SocketHandle socket) {
    PollEntry entry{};
    entry.fd = socket;
    entry.events = POLLIN;
    return pollSockets(&entry, 1, 0) > 0 && (entry.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

// An idle connection (not relay) is dropped when nothing arrived for this long.
constexpr std::uint32_t kIdleTimeoutMs = 5000;
// A poll never sleeps longer than this, so flag changes are seen within a second.
constexpr int kMaxPollMs = 1000;
// At most a full listening queue is taken per pass, so that a flood of connects cannot
// keep the thread in accept().
constexpr int kAcceptsPerPass = kServerBacklog;

}  // namespace

Listener::Listener(Services& services, RequestReactions& reactions, std::function<void()> onServing)
    : services_(services),
      reactions_(reactions),
      table_(services.connections),
      onServing_(std::move(onServing)),
      replacementMarks_(services.clock),
      publicListAnswers_([&services, &reactions](const std::string& peer) {
          sendPublicList(services, reactions, peer);
      }),
      secureAcceptor_(services, [this] { wake(); }) {
    block_.resize(kReceiveBlock + 1);
}

Listener::~Listener() {
    stop();
    // The program is going away: a list still being sent stops with its connect.
    publicListAnswers_.finish(&services_.flags.clientStop);
}

bool Listener::onListenerThread() const {
    return std::this_thread::get_id() == thread_.get_id();
}

void Listener::start(int port, SocketHandle openSocket) {
    // Emptied here, not on the thread, so that a slot the window thread claims right
    // after the start (a PortN registration) cannot be wiped by the thread's start-up.
    table_.reset();
    services_.flags.receivedThisPeriod = 0;
    services_.flags.listenerStop = 0;
    running_ = true;
    thread_ = std::thread([this, port, openSocket] { run(port, openSocket); });
}

void Listener::stop() {
    assert(!onListenerThread());  // the thread cannot wait for its own end
    stopRequested_ = true;
    services_.flags.listenerStop = 1;
    wake();
    if (thread_.joinable()) thread_.join();
}

void Listener::wake() {
    poller_.wake();
}

void Listener::post(std::function<void()> task) {
    if (!loop_) return task();
    loop_->post(std::move(task));
    wake();
}

void Listener::closeAllConnections() {
    assert(!onListenerThread());  // it waits for the listener thread
    if (!running_) {
        table_.closeAll();
        return;
    }
    closeAllDone_ = false;
    closeAllRequested_ = true;
    wake();
    for (int waited = 0; !closeAllDone_ && running_ && waited < 5000; waited += 10) {
        services_.waits.pump(10);
        services_.clock.sleepMs(10);
    }
}

StoreAside* Listener::storeAside() {
    return running_ && onListenerThread() ? &storeAside_ : nullptr;
}

void Listener::run(int port, SocketHandle openSocket) {
    loop_ = std::make_unique<EventLoop>(services_.clock);
    services_.waits.registerLoop(loop_.get());
    if (port == 0 || openListeningSocket(port, openSocket)) {
        if (onServing_) onServing_();
        serving_ = true;
        loop();
    }
    storeAside_.finish();
    lstAnswerSends_.finish();
    secureAcceptor_.finish();
    table_.closeAll();
    admission_.closeAll();
    closeSocketHandle(listenSocket_);
    listenSocket_ = kNoSocket;
    services_.flags.receivingActive = 0;
    services_.waits.registerLoop(nullptr);
    serving_ = false;
    running_ = false;
}

bool Listener::openListeningSocket(int port, SocketHandle openSocket) {
    ListenSocket opened{openSocket};
    if (!isValidSocket(openSocket)) opened = openListenSocket(port, kServerBacklog);
    if (opened.failure == ListenSocket::Failure::NoSocket) {
        appendLog(services_, J("socket作成エラー\r\n"));
        return true;
    }
    if (opened.failure == ListenSocket::Failure::NotBound) {
        openFailed_ = true;
        replaceLog(services_, formatText(J("%d 番ポートが開けません\r\n"), port));
        return false;
    }
    listenSocket_ = opened.socket;
    appendLog(services_, formatText(J("%d 番ポート待ち受け中..\r\n"), port));
    return true;
}

void Listener::loop() {
    while (services_.flags.listenerStop == 0 && !stopRequested_)
        pass();
}

void Listener::pass() {
    services_.waits.pump(100);
    storeAside_.finishDone();
    if (closeAllRequested_.exchange(false)) {
        storeAside_.finish();
        table_.closeAll();
        admission_.closeAll();
        closeAllDone_ = true;
    }
    long low = static_cast<long>(services_.settings.getNumber(setting::kLow));
    if (low > 0) services_.clock.sleepMs(static_cast<std::uint32_t>(std::min(low, 60000L)));
    waitForActivity();
    if (services_.flags.listenerStop != 0 || stopRequested_) return;
    std::uint32_t now = services_.clock.tickMs();
    if (services_.flags.listenerPause != 1) {
        acceptConnections();
        admitHandshaken(now);
        admitWaiting(now);
    }
    updateReceivingActive(now);
    serveDueSlots(now);
}

void Listener::waitForActivity() {
    poller_.clear();
    std::vector<int> polledSlots;
    std::vector<std::size_t> slotEntries;
    bool paused = services_.flags.listenerPause == 1;
    std::optional<std::size_t> listenAt;
    if (isValidSocket(listenSocket_) && !paused) listenAt = poller_.add(listenSocket_, POLLIN);
    // A waiting connection's first bytes may win it a slot (see Admission.h).
    if (!paused) admission_.addToPoll(poller_);
    std::uint32_t now = services_.clock.tickMs();
    int timeout = !admission_.empty() && table_.hasFreeSlot() ? 0 : kMaxPollMs;
    for (int index : table_.usedSlots()) {
        ConnectionSlot& slot = table_.slot(index);
        if (!tickReached(now, slot.nextService)) {
            timeout = std::min<int>(timeout, static_cast<int>(slot.nextService - now));
            if (paused || !awaitingEarlyLook(slot)) continue;
        } else if (paused) {
            continue;
        }
        polledSlots.push_back(index);
        slotEntries.push_back(poller_.add(slot.socket, POLLIN));
        if (StreamWake* wake = streamWakeOf(slot); wake && wake->msUntilLook(now) >= 0)
            timeout = std::min(timeout, wake->msUntilLook(now));
        std::uint32_t idleEnd = slot.lastActivity + kIdleTimeoutMs + 1;
        if (!slot.relay)
            timeout = std::min<int>(timeout, std::max(0, static_cast<int>(idleEnd - now)));
    }
    poller_.wait(timeout);
    listenReadable_ = listenAt && (poller_.events(*listenAt) & POLLIN) != 0;
    admission_.readPoll(poller_);
    slotPolled_.assign(ConnectionTable::kSlots, false);
    slotReadable_.assign(ConnectionTable::kSlots, false);
    for (std::size_t i = 0; i < polledSlots.size(); ++i) {
        slotPolled_[polledSlots[i]] = true;
        slotReadable_[polledSlots[i]] =
            (poller_.events(slotEntries[i]) & (POLLIN | POLLHUP | POLLERR)) != 0;
    }
}

// Takes everything that waits in the listening queue, so that no crowd of idle
// connections can keep a new one out of reach.
void Listener::acceptConnections() {
    if (!listenReadable_) return;
    std::uint32_t now = services_.clock.tickMs();
    for (int taken = 0; taken < kAcceptsPerPass; ++taken) {
        IpAddress peer;
        SocketHandle socket = acceptConnection(listenSocket_, peer);
        if (!isValidSocket(socket)) return;
        std::string address = bracketedAddressText(peer);
        if (services_.settings.getNumber(setting::kWan) == 0 &&
            classifyAddress(address) == kAddressPublic) {
            appendLog(services_, formatText(J("【%s より受信中..】%s\r\n"), address.c_str(),
                                            timeText(services_.clock).c_str()));
            appendLog(services_,
                      formatText(J("【ＬＡＮモードのため %s を拒否】\r\n"), address.c_str()));
            closeSocketHandle(socket);
            continue;
        }
        if (secureAcceptor_.take(socket, peer, now)) continue;
        if (std::optional<IpAddress> evicted = admission_.add({socket, peer, now}))
            logWaitingDropped(*evicted);
    }
}

// Encrypted connections wait like accepted ones once their handshake is done.
void Listener::admitHandshaken(std::uint32_t now) {
    for (const WaitingConnection& connection : secureAcceptor_.collect(now)) {
        if (std::optional<IpAddress> evicted = admission_.add(connection))
            logWaitingDropped(*evicted);
    }
}

void Listener::logWaitingDropped(const IpAddress& address) {
    appendLog(services_, formatText(J("【%s と切断】%s\r\n"), bracketedAddressText(address).c_str(),
                                    clientResultText(ClientResult::kTimeout).c_str()));
}

// Fills free slots with waiting connections, those that sent something first; when
// none is free, one that sent something may displace a slot (see Admission.h).
void Listener::admitWaiting(std::uint32_t now) {
    for (const IpAddress& address : admission_.expire(now))
        logWaitingDropped(address);
    while (std::optional<Admittance> next = admission_.takeNext(table_)) {
        if (next->displaced >= 0) dropSlot(next->displaced, ClientResult::kTimeout);
        admit(next->connection, now);
    }
}

void Listener::admit(const WaitingConnection& connection, std::uint32_t now) {
    ConnectionSlot slot;
    AwaitingRequest& awaiting = std::get<AwaitingRequest>(slot.state);
    slot.socket = connection.socket;
    slot.relayAddress = connection.address;
    slot.peerAddress = bracketedAddressText(connection.address);
    appendLog(services_, formatText(J("【%s より受信中..】%s\r\n"), slot.peerAddress.c_str(),
                                    timeText(services_.clock).c_str()));
    ConfigStore& settings = services_.settings;
    long wan = static_cast<long>(settings.getNumber(setting::kWan));
    long wait =
        static_cast<long>(settings.getNumber(wan == 1 ? setting::kWaitWan : setting::kWaitLan));
    slot.lastActivity = now;
    slot.nextService = now + static_cast<std::uint32_t>(std::clamp(wait, 0L, 60000L));
    awaiting.deadline = slot.nextService + kRequestLineMs;
    slot.key = services_.keys.newConnectionKey();
    // Only the window thread competes for free slots; losing that race drops the call.
    if (table_.claim(std::move(slot)) < 0) closeSocketHandle(connection.socket);
}

void Listener::updateReceivingActive(std::uint32_t now) {
    int active = 0;
    for (int index : table_.usedSlots()) {
        if (tickDistance(table_.slot(index).lastActivity, now) <
            static_cast<std::int32_t>(kIdleTimeoutMs)) {
            active = 1;
        }
    }
    services_.flags.receivingActive = active;
}

void Listener::serveDueSlots(std::uint32_t now) {
    for (int index : table_.usedSlots()) {
        if (services_.flags.listenerPause == 1) return;
        ConnectionSlot& slot = table_.slot(index);
        if (!slot.used()) continue;
        if (slotOverdue(slot, now)) {
            dropSlot(index, ClientResult::kTimeout);
            continue;
        }
        if (!tickReached(now, slot.nextService)) {
            if (!slotPolled_[index] || !slotReadable_[index] || !firstRequestComplete(slot))
                continue;
            slot.nextService = now;  // the rest of its data is read as it arrives
        }
        bool readable = slotPolled_[index] ? slotReadable_[index] : readableNow(slot.socket);
        StreamWake* wake = streamWakeOf(slot);
        if (!readable && wake && wake->lookDue(now)) readable = true;
        if (readable) {
            drainSlot(index, now);
        } else if (!slot.relay && tickReached(now, slot.lastActivity + kIdleTimeoutMs + 1)) {
            dropSlot(index, ClientResult::kTimeout);
        }
    }
}

// The initial wait only makes sure that a request line sent in one piece is read in
// one piece. When the first bytes already hold a whole line (its terminating byte 0,
// found in an unscrambled copy), the connection is served at once; otherwise it sits
// out the rest of its wait. Looked at once per connection, so a partial line cannot
// keep the thread busy.
bool Listener::firstRequestComplete(ConnectionSlot& slot) {
    AwaitingRequest* awaiting = awaitingEarlyLook(slot);
    if (!awaiting) return false;
    awaiting->earlyLookDone = true;
    long n = receiveNoWait(slot.socket, block_.data(), kEarlyLookBytes, true);
    if (n <= 0) return false;
    ConnectionKey key = slot.key;
    key.unscramble(block_.data(), static_cast<std::size_t>(n));
    return std::memchr(block_.data(), 0, static_cast<std::size_t>(n)) != nullptr;
}

// A running test stream is read until nothing more waits (at most kStreamDrainBytes
// at a time): with a raised wake-up mark the poll reports it again only once a mark's
// worth has arrived anew.
void Listener::drainSlot(int index, std::uint32_t now) {
    ConnectionSlot& slot = table_.slot(index);
    std::int64_t start = slot.bytesReceived;
    while (serveSlot(index, now) && slot.used() && slot.countsStream() &&
           slot.bytesReceived - start < static_cast<std::int64_t>(kStreamDrainBytes)) {
    }
}

bool Listener::serveSlot(int index, std::uint32_t now) {
    ConnectionSlot& slot = table_.slot(index);
    StreamWake* wake = streamWakeOf(slot);
    bool stream = wake != nullptr;
    std::size_t ask = stream ? kStreamReceiveBlock : kReceiveBlock;
    // A stream may be read without poll's word (see StreamWake), so it must not block.
    long n = stream ? receiveNoWait(slot.socket, block_.data(), ask)
                    : receiveSome(slot.socket, block_.data(), ask);
    if (n < 0 && stream && isTransientSocketError(lastSocketError())) {
        wake->afterRead(slot.socket, slot.bytesReceived, now);
        return false;
    }
    if (n < 0) {
        dropSlot(index, ClientResult::kDisconnected);
        return false;
    }
    if (n == 0) {
        // The peer closed: give its last data 200 ms before the slot is dropped.
        if (tickDistance(slot.lastActivity, now) > 199) {
            dropSlot(index, ClientResult::kDisconnected);
        } else {
            slot.nextService = slot.lastActivity + 200;
        }
        return false;
    }
    services_.flags.receivedThisPeriod += n;
    slot.bytesReceived += n;
    if (wake) wake->afterRead(slot.socket, slot.bytesReceived, now);
    handleBlock(index, static_cast<std::size_t>(n), now);
    return true;
}

void Listener::feedSlot(int index, std::string_view raw) {
    if (!table_.slot(index).used()) return;
    std::size_t length = std::min(raw.size(), kReceiveBlock);
    std::copy(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(length), block_.begin());
    table_.slot(index).bytesReceived += static_cast<std::int64_t>(length);
    handleBlock(index, length, services_.clock.tickMs());
}

void Listener::handleBlock(int index, std::size_t length, std::uint32_t now) {
    ConnectionSlot& slot = table_.slot(index);
    auto* awaiting = std::get_if<AwaitingRequest>(&slot.state);
    if (!awaiting) {
        // A running test stream is never looked at, so its bytes need not be unscrambled.
        if (!slot.countsStream()) slot.key.unscramble(block_.data(), length);
        block_[length] = '\0';
        return serveBlock(index, std::string_view(block_.data(), length), now);
    }
    // The request is gathered until it is whole; `joined` holds it when it came in
    // pieces, and outlives the handler even when the handler frees the slot.
    std::string joined;
    std::string_view request;
    std::span<char> bytes(block_.data(), length);
    RequestHead::Step step = awaiting->head.take(bytes, slot.key, joined, request);
    if (step == RequestHead::Step::Connect) {
        sendSome(slot.socket, kConnectAnswer.data(), kConnectAnswer.size());
        step = awaiting->head.take({}, slot.key, joined, request);
        if (step == RequestHead::Step::Incomplete) {
            slot.lastActivity = now;
            slot.nextService = now + 200;
            return;
        }
    }
    if (step == RequestHead::Step::Incomplete) {
        // The rest of the line is read as it arrives, until the request deadline.
        slot.lastActivity = now;
        slot.nextService = now;
        return;
    }
    if (request.data() == block_.data()) block_[length] = '\0';
    serveBlock(index, request, now);
}

// Hands the block to dispatch. A slot that its request left receiving (a payload or a
// stream) was active now, and its payload windows start with the request.
void Listener::serveBlock(int index, std::string_view block, std::uint32_t now) {
    ConnectionSlot& slot = table_.slot(index);
    bool request = slot.awaitsRequest();
    SlotControl control(*this, index);
    Request served{request ? recogniseRequest(block) : RequestKind::Unknown, block,
                   slot.peerAddress, slot.relayAddress, now};
    ServeContext context{services_, reactions_, served, control};
    dispatchBlock(context);
    if (!control.held() || slot.awaitsRequest()) return;
    slot.lastActivity = now;
    if (request) startPayloadWindow(slot, now);
}

void Listener::dropSlot(int index, ClientResult code) {
    const ConnectionSlot& slot = table_.slot(index);
    appendLog(services_, formatText(J("【%s と切断】%s\r\n"), slot.peerAddress.c_str(),
                                    clientResultText(code).c_str()));
    if (code == ClientResult::kDisconnected) resetTitle(services_);
    table_.closeSlot(index, false);
}

}  // namespace qv
