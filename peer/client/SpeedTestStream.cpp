#include "peer/client/SpeedTestStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/ConfigStore.h"
#include "base/ProgramFlags.h"
#include "base/SettingKeys.h"
#include "model/WindowModel.h"
#include "net/SocketCalls.h"
#include "net/Waits.h"
#include "peer/client/PeerSession.h"
#include "peer/client/SpeedTest.h"
#include "peer/client/SpeedTestPayload.h"
#include "peer/client/SpeedTestState.h"
#include "peer/protocol/ClientError.h"
#include "platform/Clock.h"
#include "platform/ProcessorClones.h"
#include "services/ClientSide.h"
#include "services/Services.h"

namespace qv {
namespace {

constexpr std::int64_t kSizeForNegative = 100000;
// Only the filled part of the payload is incremented.
constexpr std::size_t kIncrementLimit = kPayloadFilled;
// Waiting for room in the send buffer: steps of at most 10 ms, 10 s in all.
constexpr int kRoomPollMs = 10;
constexpr int kRoomPollSteps = 1000;

// The LOW pause and the pump before each send. Without LOW the clock is read only
// after every 32 kB sent, and LOW and the event loop are looked at only when the
// millisecond tick has moved, so a chunk of a few kB stays cheap. With LOW set every
// chunk sleeps at least a millisecond and so still pumps each time.
class ChunkPacer {
  public:
    ChunkPacer(Services& services, ClientSide& client)
        : services_(services), client_(client), clock_(services.clock) {
        lastTick_ = clock_.tickMs() - 1;
    }

    // `lastSent`: what the previous send took.
    void beforeChunk(std::size_t lastSent) {
        if (lowMs_ > 0) {
            clock_.sleepMs(lowMs_);
        } else if ((unread_ += lastSent) < kBytesBetweenClockReads) {
            return;
        }
        unread_ = 0;
        std::uint32_t now = clock_.tickMs();
        if (now == lastTick_) return;
        lastTick_ = now;
        client_.speedTest().tcp.sample();
        std::int64_t low = services_.settings.getNumber(setting::kLow);
        lowMs_ = static_cast<std::uint32_t>(std::clamp<std::int64_t>(low, 0, 60000));
        services_.waits.pump(100);
    }

  private:
    static constexpr std::size_t kBytesBetweenClockReads = 32768;

    Services& services_;
    ClientSide& client_;
    Clock& clock_;
    std::uint32_t lastTick_;
    std::uint32_t lowMs_ = 0;
    // Bytes sent since the clock was read; starts full so that the first chunk pumps.
    std::size_t unread_ = kBytesBetweenClockReads;
};

// Waits until the socket has room again (or reports an error, which the next send
// then returns). Stop ends the wait early; the loop then ends with -8. False when the
// socket stayed full for 10 s.
bool waitForRoom(Services& services, ClientSide& client, SocketHandle socket) {
    for (int step = 0; step < kRoomPollSteps; ++step) {
        PollEntry entry{socket, POLLOUT, 0};
        if (pollSockets(&entry, 1, kRoomPollMs) > 0) return true;
        client.speedTest().tcp.sample();
        services.waits.pump(10);
        if (services.flags.clientStop != 0) return true;
    }
    return false;
}

// Bytes for the next send: the send buffer size, never more than the payload holds.
std::size_t chunkBytes(std::int64_t sendBufferSize, std::size_t payloadSize) {
    if (sendBufferSize <= 0) return 0;
    return static_cast<std::size_t>(
        std::min<std::int64_t>(sendBufferSize, static_cast<std::int64_t>(payloadSize)));
}

ClientResult sendLoop(Services& services, ClientSide& client, SocketHandle socket,
                      std::vector<unsigned char>& data) {
    SpeedTestState& state = client.speedTest();
    ProgramFlags& flags = services.flags;
    ChunkPacer pacer(services, client);
    NoWaitScope noWait(socket);
    long sent = 0;
    while (flags.clientStop == 0) {
        pacer.beforeChunk(sent > 0 ? static_cast<std::size_t>(sent) : 0);
        if (flags.clientStop != 0) break;  // Stop ran in the pump: no chunk after it
        std::size_t size = chunkBytes(state.sendBufferSize, data.size());
        if (size == 0) return ClientResult::kNoData;
        sent = sendNoWait(socket, data.data(), size);
        if (sent > 0) {
            state.sent.add(sent);
            state.record.bytes += sent;
            incrementPrefix(data.data(), std::min(static_cast<std::size_t>(sent), kIncrementLimit));
        } else if (sent == 0) {
            return ClientResult::kNoData;
        } else if (int error = lastSocketError(); isWouldBlock(error)) {
            if (!waitForRoom(services, client, socket)) return ClientResult::kTimeout;
        } else if (!isTransientSocketError(error)) {
            return ClientResult::kDisconnected;
        }
    }
    return ClientResult::kOk;
}

// The stream's own copy of the payload, with "DATA-REQ:" in front and its first 10
// bytes scrambled with the connection's key.
std::vector<unsigned char> streamPayload(const ClientSide& client, ConnectionKey& key) {
    std::vector<unsigned char> data = client.payload();
    if (data.size() < kPayloadBufferSize) data.resize(kPayloadBufferSize);
    std::memcpy(data.data(), "DATA-REQ:", 9);
    key.scramble(reinterpret_cast<char*>(data.data()), 10);
    return data;
}

// The first send buffer size: the given number (negative: 100000), or with the
// auto-tune box on the first candidate; never more than the payload.
std::int64_t firstSendBuffer(Services& services, ClientSide& client, std::int64_t bufferSize,
                             std::size_t payloadSize) {
    std::int64_t size = bufferSize < 0 ? kSizeForNegative : bufferSize;
    if (services.window.number(Field::Auto) != 0) {
        const std::vector<std::string>& candidates = client.speedTest().candidates;
        size = std::atol(candidates.empty() ? "" : candidates.front().c_str());
    }
    return std::min<std::int64_t>(size, static_cast<std::int64_t>(payloadSize));
}

int grantedSendBuffer(SocketHandle socket) {
    int value = 0;
    socklen_t length = sizeof value;
    if (getsockopt(socket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&value), &length) != 0)
        return 0;
    return value;
}

}  // namespace

// With AVX2 where the processor has it (32 bytes per add), else with the SSE2 of
// every x86-64 (see platform/ProcessorClones.h).
QV_AVX2_CLONES void incrementPrefix(unsigned char* data, std::size_t count) {
    using Block = unsigned char __attribute__((vector_size(32)));
    std::size_t i = 0;
    for (; i + sizeof(Block) <= count; i += sizeof(Block)) {
        Block block;
        std::memcpy(&block, data + i, sizeof block);
        block += 1;
        std::memcpy(data + i, &block, sizeof block);
    }
    for (; i < count; ++i)
        ++data[i];
}

ClientResult streamTestData(Services& services, ClientSide& client, std::string_view peerText,
                            std::int64_t bufferSize) {
    SpeedTestState& state = client.speedTest();
    ProgramFlags& flags = services.flags;
    ClientRun run(flags);
    resetStatistics(services, client, kResetSendSide);
    state.sent.ticks[RateHistory::kCurrent] = services.clock.tickMs();
    state.record = SpeedTestSummary{};
    state.connected = false;
    PeerSession session;
    ClientResult result = openPeerSession(services, peerText, session);
    if (result != ClientResult::kOk) return result;
    state.connected = true;
    std::vector<unsigned char> data = streamPayload(client, session.key);
    state.useSendBuffer(firstSendBuffer(services, client, bufferSize, data.size()));
    std::uint32_t start = services.clock.tickMs();
    flags.sendingActive = 1;
    state.record.cipher = session.cipher;
    state.tcp.start(session.socket);
    result = sendLoop(services, client, session.socket, data);
    state.record.durationMs = services.clock.tickMs() - start;
    state.tcp.stop();
    state.record.tcp = state.tcp.figures();
    // An encrypted stream's socket is the tunnel's local end: its buffer says nothing of
    // the TCP socket's, so it is not reported.
    if (state.record.cipher.empty())
        state.record.grantedSendBuffer = grantedSendBuffer(session.socket);
    flags.sendingActive = 0;
    if (flags.clientStop == 1) result = ClientResult::kStopped;
    closePeerSession(services, session);
    return result;
}

}  // namespace qv
