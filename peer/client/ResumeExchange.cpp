#include "peer/client/ResumeExchange.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "model/WindowModel.h"
#include "net/SocketCalls.h"
#include "net/Waits.h"
#include "peer/client/PeerSession.h"
#include "peer/client/ProgressTitle.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/ReplyReader.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "services/Services.h"

namespace qv {
namespace {

// The title while the header is sent or the offset awaited, once a second.
void tickTitle(Services& services, ProgressPace& pace, const std::string& header,
               const char* utf8Format) {
    if (!pace.takeSecond(services.flags.secondsTicked) || header.size() <= 1000) return;
    services.window.setTitle(formatText(J(utf8Format), J("くおるべ").c_str()));
    services.window.refresh();
    services.waits.pump(100);
}

ClientResult sendHeader(Services& services, ProgressPace& pace, SocketHandle socket,
                        const std::string& header) {
    std::size_t sent = 0;
    while (services.flags.clientStop == 0 && sent < header.size()) {
        lowLoadPause(services);
        if (!waitWritable(services, socket, 10000)) return ClientResult::kTimeout;
        tickTitle(services, pace, header, "%s 送信準備中..");
        std::size_t chunk = std::min<std::size_t>(2000, header.size() - sent);
        long n = sendSome(socket, header.data() + sent, chunk);
        if (n < 0) return ClientResult::kDisconnected;
        if (static_cast<std::size_t>(n) < chunk) services.clock.sleepMs(1);
        sent += static_cast<std::size_t>(n);
    }
    return ClientResult::kOk;
}

// Waits for the offset reply, however it is cut; the result code, with the offset in
// `offset`.
ClientResult readOffset(Services& services, ProgressPace& pace, SocketHandle socket,
                        const std::string& header, std::int64_t fileSize, std::int64_t& offset) {
    lowLoadPause(services);
    tickTitle(services, pace, header, "%s 応答待ち..");
    OffsetReply reply = readOffsetReply(
        ReplyWait{services.waits, 10000, &services.flags.clientStop}, socket, fileSize);
    offset = reply.offset;
    switch (reply.end) {
        case ReplyEnd::Whole:
            break;
        case ReplyEnd::TimedOut:
            return ClientResult::kTimeout;
        case ReplyEnd::Stopped:
            return ClientResult::kStopped;
        case ReplyEnd::TooLong:
            return ClientResult::kNoReply;
        case ReplyEnd::Closed:
            return ClientResult::kDisconnected;
    }
    if (offset < 0) return ClientResult::kNoReply;
    appendLog(services, formatText(J("・[%lld ～ %lld Byte]\r\n"), static_cast<long long>(offset),
                                   static_cast<long long>(fileSize)));
    return ClientResult::kOk;
}

// Streams the file from `offset`; `position` ends at the last byte read.
class FileStreamer {
  public:
    FileStreamer(Services& services, ProgressPace& pace, PeerSession& session, File& file,
                 std::int64_t size)
        : services_(services), pace_(pace), session_(session), file_(file), size_(size) {}

    ClientResult run(std::int64_t offset) {
        position_ = offset;
        if (file_.seek(offset) != offset) return ClientResult::kSizeMismatch;
        std::size_t window = size_ < 1000000 ? static_cast<std::size_t>(size_ - offset) : 1000000;
        buffer_.resize(window + 1001);
        window_ = window;
        chunk_ = chunkSize(services_);
        while (services_.flags.clientStop == 0) {
            if (!refill()) return ClientResult::kSizeMismatch;
            ClientResult result = sendChunk();
            if (result != ClientResult::kOk) return result;
            if (unsent_ == 0 && position_ >= size_) break;
        }
        return ClientResult::kOk;
    }

    std::int64_t position() const { return position_; }

  private:
    // Reads ahead when less than one chunk is left unsent; false when the file ended
    // early or could not be read.
    bool refill() {
        if (position_ >= size_ || unsent_ >= chunk_) return true;
        std::memmove(buffer_.data(), buffer_.data() + begin_, unsent_);
        begin_ = 0;
        std::size_t room = std::min<std::int64_t>(window_ - unsent_, size_ - position_);
        std::int64_t n = file_.read(buffer_.data() + unsent_, room);
        if (n <= 0) return false;
        session_.key.scramble(buffer_.data() + unsent_, static_cast<std::size_t>(n));
        unsent_ += static_cast<std::size_t>(n);
        position_ += n;
        return true;
    }

    ClientResult sendChunk() {
        lowLoadPause(services_);
        if (!waitWritable(services_, session_.socket, 10000)) return ClientResult::kTimeout;
        if (pace_.takeSecond(services_.flags.secondsTicked) && size_ > 1000) {
            showProgressTitle(services_, pace_, position_ - static_cast<std::int64_t>(unsent_),
                              size_, TransferProgress::Direction::Send);
        }
        std::size_t chunk = std::min(chunk_, unsent_);
        long n = sendSome(session_.socket, buffer_.data() + begin_, chunk);
        if (n < 0) return ClientResult::kDisconnected;
        if (static_cast<std::size_t>(n) < chunk) services_.clock.sleepMs(1);
        begin_ += static_cast<std::size_t>(n);
        unsent_ -= static_cast<std::size_t>(n);
        return ClientResult::kOk;
    }

    Services& services_;
    ProgressPace& pace_;
    PeerSession& session_;
    File& file_;
    std::int64_t size_;
    std::int64_t position_ = 0;
    std::vector<char> buffer_;
    std::size_t window_ = 0, chunk_ = 0, begin_ = 0, unsent_ = 0;
};

ClientResult streamFile(Services& services, ProgressPace& pace, PeerSession& session, File& file,
                        std::int64_t size, std::int64_t offset) {
    std::uint32_t start = services.clock.tickMs();
    FileStreamer streamer(services, pace, session, file, size);
    ClientResult result = streamer.run(offset);
    appendEfficiencyLine(services, streamer.position() - offset, start, result);
    return result;
}

}  // namespace

ClientResult exchangeResumeSend(Services& services, std::string_view peerText, std::string header,
                                File& file, std::int64_t fileSize) {
    ClientRun run(services.flags);
    PeerSession session;
    ClientResult result = openPeerSession(services, peerText, session);
    if (result != ClientResult::kOk) return result;
    session.key.scramble(header.data(), header.size());
    ProgressPace pace;
    result = sendHeader(services, pace, session.socket, header);
    std::int64_t offset = -1;
    if (result == ClientResult::kOk)
        result = readOffset(services, pace, session.socket, header, fileSize, offset);
    if (result == ClientResult::kOk && offset >= 0 && offset < fileSize) {
        result = streamFile(services, pace, session, file, fileSize, offset);
    }
    if (services.flags.clientStop == 1) result = ClientResult::kStopped;
    if (result == ClientResult::kOk && offset != fileSize) {
        result = readOkReply(services, session.socket, 10000);
    }
    resetTitle(services);
    services.waits.pump(500);
    closePeerSession(services, session);
    return result;
}

}  // namespace qv
