// Pack records: many small files in the payload of one SEND-REQ named "** PAK **".
//
// Each record is ":", the header "%s|%d|%s|%s|" (name, size, created, written), one
// 0 byte and exactly size bytes of data. Sizes are 64-bit: the size field may hold
// ten digits.
//
// Pure functions; callable from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// One record read from a Pack payload.
struct PackRecord {
    std::string name;  // as sent: relative path with "\" between folders
    std::int64_t size = 0;
    std::string created;    // creation time text
    std::string written;    // last-write time text (also the last-access time)
    std::string_view data;  // `size` bytes inside the payload that was read
};

// The record's bytes before its data: ":", the header and the 0 byte. A sender that
// reads the file straight into its buffer appends this first.
std::string packRecordHeader(std::string_view name, std::int64_t size, std::string_view created,
                             std::string_view written);

// Appends a whole record (header, 0 byte, data) to a Pack payload.
void appendPackRecord(std::string& pack, std::string_view name, std::string_view created,
                      std::string_view written, std::string_view data);

// The records of a Pack payload, in order. The walk stops at the first record that
// does not begin with ":", whose header has no 0 byte inside the payload, whose
// header fails the Pack record rule, or whose data would run past the end of the
// payload; the records before it are returned, the rest is ignored. The data views
// point into `payload` and live as long as it does.
std::vector<PackRecord> readPackRecords(std::string_view payload);

}  // namespace qv
