// Pack transfer: many small files gathered into one SEND-REQ named "** PAK **", so that
// a folder of small files costs a few connections instead of one each.
//
// A Pack record is ":", the header "%s|%d|%s|%s|" (name sent, size, creation time,
// last-write time), a 0 byte and the file's bytes. A Pack is sent before it would reach
// NO_RESUME_SIZE; files of half NO_RESUME_SIZE or more are sent whole instead.
//
// Threads: the window thread. Sending pumps, so handlers run nested inside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qv {

class ClientSide;
struct Services;

// The Pack being filled. The records sit behind a little room for the request header,
// so the finished Pack becomes the request without being copied. Memory grows with
// the records, to at most twice what they need; nothing is reserved ahead (a huge
// NO_RESUME_SIZE must not cost memory that small files never use). Once sent, a Pack
// keeps its memory for the next one of the same queue run: fresh memory for every
// Pack cost the sender a quarter of its time in page faults.
class PackBuffer {
  public:
    PackBuffer() { clear(); }

    // Bytes of records held.
    std::int64_t size() const { return static_cast<std::int64_t>(data_.size() - kHeaderRoom); }
    int fileCount() const { return fileCount_; }
    // Bytes of memory held.
    std::size_t capacity() const { return data_.capacity(); }
    bool empty() const { return fileCount_ == 0 && size() == 0; }
    std::string_view payload() const { return std::string_view(data_).substr(kHeaderRoom); }

    // Empties the Pack; the memory is kept for the next one.
    void clear();
    // Empties the Pack and gives its memory back.
    void release();

    // Appends a record header and `dataSize` bytes of room for the file's data; returns
    // where the data go. The pointer is valid until the next change of the Pack.
    char* appendRecord(std::string_view recordHeader, std::int64_t dataSize);
    // Takes back the record appended last (its data could not be read).
    void dropRecordsFrom(std::int64_t recordsSize);
    // Counts one more file.
    void countFile() { ++fileCount_; }

    // The request: `requestHeader` (the SEND-REQ line and its 0 byte) written in front
    // of the records. Valid until the next change of the Pack; the exchange may
    // scramble it in place, after which only clear() or release() are meaningful.
    std::span<char> request(std::string_view requestHeader);

  private:
    // Room for "SEND-REQ:** PAK **|%d|%32s|%s|%s|" and its 0 byte (104 bytes at most).
    static constexpr std::size_t kHeaderRoom = 128;

    std::string data_;
    int fileCount_ = 0;
};

// `AddToPack`: adds the file `path` to the Pack, sending the Pack first when the file
// would make it reach NO_RESUME_SIZE. A file of half NO_RESUME_SIZE or more is sent
// whole instead. Returns the number of files that failed (of the Pack sent, and this
// file).
int addToPack(Services& services, ClientSide& client, std::string_view peerText,
              const std::string& path, PackBuffer& pack, std::size_t baseLength);

// `FlushPack`: sends the Pack. Returns 0, or the number of files of the Pack when it
// failed. The Pack is empty afterwards either way (its memory kept for the next).
int flushPack(Services& services, ClientSide& client, std::string_view peerText, PackBuffer& pack);

}  // namespace qv
