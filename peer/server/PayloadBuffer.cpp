#include "peer/server/PayloadBuffer.h"

#include <algorithm>

namespace qv {

std::unique_ptr<PayloadBuffer> PayloadBuffer::open(std::int64_t announced, std::int64_t memoryRoom,
                                                   const std::string& folder, Clock* clock) {
    std::unique_ptr<PayloadBuffer> buffer(new PayloadBuffer);
    if (announced >= 0 && announced <= memoryRoom) {
        buffer->memory_ = MemFile::openBuffer(
            std::max(static_cast<std::size_t>(announced), kInitialCapacity), clock);
        if (!buffer->memory_) return nullptr;
        return buffer;
    }
    buffer->file_ = std::make_unique<ScratchFile>();
    if (!buffer->file_->open(folder)) return nullptr;
    return buffer;
}

std::unique_ptr<PayloadBuffer> PayloadBuffer::discarding() {
    std::unique_ptr<PayloadBuffer> buffer(new PayloadBuffer);
    buffer->discards_ = true;
    return buffer;
}

PayloadBuffer::~PayloadBuffer() = default;

bool PayloadBuffer::write(std::string_view bytes) {
    if (memory_) return memory_->writeBytes(bytes);
    if (file_) return file_->append(bytes);
    discardedSize_ += static_cast<std::int64_t>(bytes.size());
    return true;
}

std::int64_t PayloadBuffer::size() const {
    if (memory_) return static_cast<std::int64_t>(memory_->size());
    return file_ ? file_->size() : discardedSize_;
}

std::optional<std::string_view> PayloadBuffer::view() {
    if (memory_) return memory_->data();
    if (discards_ || !file_) return std::nullopt;
    return file_->view();
}

}  // namespace qv
