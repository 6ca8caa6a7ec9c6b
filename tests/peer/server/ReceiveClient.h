// A raw client for the file-receive tests: it sends composed requests to a listener on
// loopback and reads what comes back, and helpers that look at the receive folder.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "app/Program.h"
#include "base/TimeText.h"
#include "peer/protocol/RequestLine.h"
#include "platform/TextCodec.h"
#include "support/LoopbackPeer.h"

namespace qv::test {

class ReceiveClient {
  public:
    explicit ReceiveClient(int port) : fd_(connectLoopback(port)) {}
    // A client that reads little at a time: small segments into a small window, so that
    // what the server sends fills its buffers after a few hundred KiB.
    static ReceiveClient narrow(int port) {
        ReceiveClient client;
        client.fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int window = 4096, segment = 536;
        setsockopt(client.fd_, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
        setsockopt(client.fd_, IPPROTO_TCP, TCP_MAXSEG, &segment, sizeof segment);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        if (connect(client.fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            client.finish();
        return client;
    }
    ReceiveClient(ReceiveClient&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    ~ReceiveClient() { finish(); }

    bool send(const std::string& bytes) {
        std::size_t sent = 0;
        while (fd_ >= 0 && sent < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return fd_ >= 0;
    }
    // True once the server has sent something (or closed) within `timeoutMs`.
    bool waitReadable(int timeoutMs) {
        pollfd p{fd_, POLLIN, 0};
        return fd_ >= 0 && poll(&p, 1, timeoutMs) > 0;
    }
    // Everything the server sends until it closes (or `timeoutMs` of silence).
    std::string readAll(int timeoutMs = 5000) { return read(timeoutMs, false); }
    // The offset reply: up to and without its 0 byte; "" when the server closed first.
    std::string readOffset(int timeoutMs = 5000) { return read(timeoutMs, true); }
    void finish() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

  private:
    ReceiveClient() = default;
    std::string read(int timeoutMs, bool untilNul) {
        std::string data;
        char c;
        pollfd p{fd_, POLLIN, 0};
        while (fd_ >= 0 && poll(&p, 1, timeoutMs) > 0 && recv(fd_, &c, 1, 0) == 1) {
            if (untilNul && c == '\0') break;
            data += c;
        }
        return data;
    }

    int fd_ = -1;
};

inline constexpr const char* kCreated = "2020/01/02 03:04:05";
inline constexpr const char* kWritten = "2021/06/07 08:09:10";

// The description of a file named `name` (cp932) without a digest.
inline FileStamp stamp(const std::string& name, const std::string& written = kWritten,
                       const std::string& digest = "") {
    return FileStamp{name, digest, kCreated, written};
}

// The receive folder of a peer on disk, and a file in it by its UTF-8 name.
inline std::filesystem::path receiveFolder(LoopbackPeer& peer) {
    return peer.folder().path() / "受信FILE";
}
inline std::filesystem::path received(LoopbackPeer& peer, const std::string& utf8Name) {
    return receiveFolder(peer) / utf8Name;
}

// The content of a file, or "<none>" when there is none.
inline std::string contentOf(const std::filesystem::path& path) {
    if (!std::filesystem::is_regular_file(path)) return "<none>";
    FILE* f = fopen(path.c_str(), "rb");
    std::string data;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, f))
        data.append(buffer, n);
    fclose(f);
    return data;
}

// The last-write time of a file in Unix seconds (-1 when absent).
inline long long writtenSeconds(const std::filesystem::path& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_mtime) : -1;
}
inline long long secondsOf(const std::string& timeText) {
    return unixSecondsOf(fileTimeFromDateText(timeText));
}

// Sets a file's last-write time from a time text.
inline void setWritten(const std::filesystem::path& path, const std::string& timeText) {
    struct timespec times[2] = {{secondsOf(timeText), 0}, {secondsOf(timeText), 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// A receiving program on loopback, and the requests a sender would make.
class ReceiverTest : public ::testing::Test {
  protected:
    void set(const char* key, const char* value) {
        server.program().settings().setString(key, value);
    }
    std::string upper() { return server.program().window().pane(Pane::Upper); }
    std::filesystem::path at(const std::string& utf8Name) { return received(server, utf8Name); }
    // A small file in the receive folder, with a last-write time.
    void plant(const std::string& utf8Name, const std::string& content,
               const std::string& written = kWritten) {
        std::filesystem::create_directories(at(utf8Name).parent_path());
        FILE* f = fopen(at(utf8Name).c_str(), "wb");
        fwrite(content.data(), 1, content.size(), f);
        fclose(f);
        setWritten(at(utf8Name), written);
    }

    // A SEND-REQ with its payload in one go; what the server sent back before closing.
    std::string sendWhole(const std::string& request) {
        ReceiveClient client(server.port());
        client.send(request);
        return client.readAll();
    }
    // A SEND-R-REQ: the header, the offset reply, the data from that offset and the
    // verdict. `offset` receives the offset reply ("" when the server closed).
    std::string sendResumable(const FileStamp& file, const std::string& data,
                              std::string* offset = nullptr) {
        ReceiveClient client(server.port());
        client.send(sendResumeHeader(file, static_cast<std::int64_t>(data.size())));
        std::string held = client.readOffset();
        if (offset) *offset = held;
        if (held.empty()) return "";
        std::size_t from = std::stoull(held);
        if (from < data.size()) client.send(data.substr(from));
        return client.readAll();
    }

    LoopbackPeer server;
};

}  // namespace qv::test
