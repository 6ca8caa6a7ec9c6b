#include "peer/server/PayloadBuffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/FileSystem.h"

namespace qv {

int openUnnamedFile(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '/') pattern += '/';
    pattern += ".~qvXXXXXX";
    fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(pattern.c_str());
    return fd;
}

std::unique_ptr<PayloadBuffer> PayloadBuffer::open(std::int64_t announced, std::int64_t memoryRoom,
                                                   const std::string& folder, Clock* clock) {
    std::unique_ptr<PayloadBuffer> buffer(new PayloadBuffer);
    if (announced >= 0 && announced <= memoryRoom) {
        buffer->memory_ = MemFile::openBuffer(
            std::max(static_cast<std::size_t>(announced), kInitialCapacity), clock);
        if (!buffer->memory_) return nullptr;
        return buffer;
    }
    buffer->fd_ = openUnnamedFile(folder);
    if (buffer->fd_ < 0) return nullptr;
    return buffer;
}

std::unique_ptr<PayloadBuffer> PayloadBuffer::discarding() {
    std::unique_ptr<PayloadBuffer> buffer(new PayloadBuffer);
    buffer->discards_ = true;
    return buffer;
}

PayloadBuffer::~PayloadBuffer() {
    unmap();
    if (fd_ >= 0) ::close(fd_);
}

void PayloadBuffer::unmap() {
    if (mapped_) ::munmap(mapped_, mappedSize_);
    mapped_ = nullptr;
    mappedSize_ = 0;
}

bool PayloadBuffer::write(std::string_view bytes) {
    if (memory_) return memory_->writeBytes(bytes);
    unmap();
    if (!discards_ && !writeAllTo(fd_, bytes)) return false;
    fileSize_ += static_cast<std::int64_t>(bytes.size());
    return true;
}

std::int64_t PayloadBuffer::size() const {
    return memory_ ? static_cast<std::int64_t>(memory_->size()) : fileSize_;
}

std::optional<std::string_view> PayloadBuffer::view() {
    if (memory_) return memory_->data();
    if (discards_) return std::nullopt;
    if (fileSize_ == 0) return std::string_view();
    if (!mapped_) {
        void* at =
            ::mmap(nullptr, static_cast<std::size_t>(fileSize_), PROT_READ, MAP_SHARED, fd_, 0);
        if (at == MAP_FAILED) return std::nullopt;
        mapped_ = at;
        mappedSize_ = static_cast<std::size_t>(fileSize_);
    }
    return std::string_view(static_cast<const char*>(mapped_), mappedSize_);
}

}  // namespace qv
