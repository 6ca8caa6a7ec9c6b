// Where a SEND-REQ payload collects until it is complete: in memory while it is
// small, else in an unnamed file in the receive folder, so what a peer announces
// never decides how much memory the program takes.
//
// In memory the buffer is reserved at the announced size at once (the system gives
// it pages only as bytes arrive), so a payload is never copied to grow; it grows
// geometrically only past that size. A payload whose announced size does not fit the
// room left in memory (kMemoryLimit, shared by every connection) goes to the file
// from its first byte: a ScratchFile, which is never seen under a name, so nothing is
// left behind however the program ends.
//
// Threads: the listener thread (a buffer belongs to its connection slot); a complete
// payload may be handed on with its buffer, which the new owner then reads and frees
// on its own thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/MemFile.h"
#include "platform/ScratchFile.h"

namespace qv {

class Clock;

class PayloadBuffer {
  public:
    // What all payloads held in memory together may announce.
    static constexpr std::int64_t kMemoryLimit = 64 << 20;
    static constexpr std::size_t kInitialCapacity = 3000;

    // A buffer in memory when `announced` fits `memoryRoom`, else a file in `folder`
    // (a system path). Null when neither can be had.
    static std::unique_ptr<PayloadBuffer> open(std::int64_t announced, std::int64_t memoryRoom,
                                               const std::string& folder, Clock* clock);
    // A buffer that keeps nothing and only counts what arrives: the payload of a file
    // skipped at its request, taken so that the sender's send completes.
    static std::unique_ptr<PayloadBuffer> discarding();
    ~PayloadBuffer();
    PayloadBuffer(const PayloadBuffer&) = delete;
    PayloadBuffer& operator=(const PayloadBuffer&) = delete;

    // Appends; false when the memory or the disk refused.
    bool write(std::string_view bytes);
    std::int64_t size() const;
    bool inMemory() const { return memory_ != nullptr; }
    bool discards() const { return discards_; }
    // Bytes reserved in memory (0 for a file).
    std::size_t capacity() const { return memory_ ? memory_->capacity() : 0; }
    // The whole payload, valid while the buffer lives and is not written; a file is
    // mapped. Empty optional when the file cannot be mapped or the buffer discards.
    std::optional<std::string_view> view();

  private:
    PayloadBuffer() = default;

    std::unique_ptr<MemFile> memory_;
    std::unique_ptr<ScratchFile> file_;
    std::int64_t discardedSize_ = 0;
    bool discards_ = false;
};

}  // namespace qv
