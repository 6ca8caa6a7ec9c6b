// MD5 (RFC 1321): digests of byte strings and files, and the digest text of 32
// lower-case hexadecimal characters that the wire and the logs carry.
//
// Threads: any thread; an Md5 context belongs to one thread at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

using Md5Digest = std::array<std::uint8_t, 16>;

// Incremental MD5: update() any number of times, then finish() once.
class Md5 {
  public:
    Md5() { reset(); }
    void reset();
    void update(const void* data, std::size_t size);
    void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
    // Pads, returns the digest and resets the context for a new message.
    Md5Digest finish();

  private:
    std::uint32_t state_[4];
    std::uint64_t length_;      // bytes fed so far
    std::uint8_t pending_[64];  // a partial block
    std::size_t pendingSize_;
};

Md5Digest md5Of(std::string_view bytes);
// The digest as 32 lower-case hexadecimal characters.
std::string md5Text(const Md5Digest& digest);
// md5Text(md5Of(bytes)).
std::string md5TextOf(std::string_view bytes);
// The digest text of a file read in blocks of 8000 bytes; empty optional when the
// file cannot be opened or a read fails. `path` is a cp932 program path.
std::optional<std::string> md5TextOfFile(std::string_view path);

}  // namespace qv

// Exported for callers that use the C interface. `out` holds at least 33 bytes and
// receives the digest text and a NUL.
//
// f_MDText_s: digests `length` bytes of `text`; a length of 0 (or below) means up to the
// terminating NUL. Always returns 0.
// f_MDFile_s: digests the file at the cp932 `path`. Returns 0, or -1 with `out`
// unchanged when the file cannot be opened or read.
extern "C" int f_MDText_s(const char* text, int length, char* out);
extern "C" int f_MDFile_s(const char* path, char* out);
