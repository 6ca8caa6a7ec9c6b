#include "platform/TcpWindowSize.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "base/Format.h"
#include "base/TextList.h"
#include "base/TextUtil.h"

namespace qv {
namespace {

// The kernel keeps each number in an int.
constexpr long kLargestBuffer = INT_MAX;

bool isNumberText(std::string_view text) {
    return !text.empty() && text.size() <= 10 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<long> bufferSize(std::string_view text) {
    if (!isNumberText(text)) return std::nullopt;
    std::int64_t value = parseLong(text);
    if (value < 1 || value > kLargestBuffer) return std::nullopt;
    return static_cast<long>(value);
}

// Not handed down to programs this one starts. (On Windows no such file exists: the
// reads fail and the window size is shown as unknown.)
#ifdef _WIN32
constexpr int kNotInherited = _O_NOINHERIT | _O_BINARY;
#else
constexpr int kNotInherited = O_CLOEXEC;
#endif

std::optional<std::string> readSmallFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | kNotInherited);
    if (fd < 0) return std::nullopt;
    char buffer[256];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n < 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(n));
}

TcpWriteResult failureOf(int error) {
    return error == EACCES || error == EPERM || error == EROFS ? TcpWriteResult::NotPermitted
                                                               : TcpWriteResult::Failed;
}

}  // namespace

std::optional<TcpReceiveBuffers> parseTcpReceiveBuffers(std::string_view text) {
    TextList words(text, " ;\t;\n");
    std::optional<long> numbers[3];
    int found = 0;
    for (int i = 0; i < words.count(); ++i) {
        if (words[i].empty()) continue;
        if (found == 3) return std::nullopt;
        numbers[found++] = bufferSize(words[i]);
    }
    if (found != 3 || !numbers[0] || !numbers[1] || !numbers[2]) return std::nullopt;
    return TcpReceiveBuffers{*numbers[0], *numbers[1], *numbers[2]};
}

std::string tcpReceiveBuffersText(const TcpReceiveBuffers& buffers) {
    return strprintf("%ld %ld %ld", buffers.minimum, buffers.standard, buffers.maximum);
}

std::optional<TcpReceiveBuffers> readTcpReceiveBuffers(const std::string& path) {
    std::optional<std::string> text = readSmallFile(path);
    if (!text) return std::nullopt;
    return parseTcpReceiveBuffers(*text);
}

TcpWriteResult writeTcpReceiveBuffers(const std::string& path, const TcpReceiveBuffers& buffers) {
    // Truncating is what a shell's ">" does to these files; it keeps a sandbox copy exact.
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | kNotInherited);
    if (fd < 0) return failureOf(errno);
    std::string text = tcpReceiveBuffersText(buffers) + "\n";
    // The kernel takes the numbers from one write.
    ssize_t n = ::write(fd, text.data(), text.size());
    int error = errno;
    bool closed = ::close(fd) == 0;
    if (n != static_cast<ssize_t>(text.size()))
        return n < 0 ? failureOf(error) : TcpWriteResult::Failed;
    return closed ? TcpWriteResult::Written : TcpWriteResult::Failed;
}

TcpReceiveBuffers withWindowSize(const TcpReceiveBuffers& current, long size) {
    return TcpReceiveBuffers{std::min(current.minimum, size), size, size};
}

long currentTcpWindowSize(const std::string& path) {
    std::optional<TcpReceiveBuffers> buffers = readTcpReceiveBuffers(path);
    return buffers ? buffers->standard : 0;
}

}  // namespace qv
