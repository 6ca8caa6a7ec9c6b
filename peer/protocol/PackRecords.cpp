#include "peer/protocol/PackRecords.h"

#include <optional>

#include "base/TextUtil.h"
#include "peer/protocol/FieldRule.h"
#include "peer/protocol/RequestLine.h"

namespace qv {
namespace {

constexpr char kRecordMarker = ':';

// Reads the record that starts at `pos` and moves `pos` past it. Nothing when the
// walk must stop there.
std::optional<PackRecord> readRecord(std::string_view payload, std::size_t& pos) {
    if (payload[pos] != kRecordMarker) return std::nullopt;
    std::size_t headerStart = pos + 1;
    // A header whose 0 byte is missing would run past the payload: refused.
    std::size_t terminator = payload.find('\0', headerStart);
    if (terminator == std::string_view::npos) return std::nullopt;
    RequestFields fields(payload.substr(headerStart, terminator - headerStart));
    if (!checkFields(fields, kPackRecordRule)) return std::nullopt;
    // "n<10" allows at most ten digits, so the size fits and is never negative.
    std::int64_t size = parseLong(fields[1]);
    std::size_t dataStart = terminator + 1;
    if (static_cast<std::uint64_t>(size) > payload.size() - dataStart) return std::nullopt;
    PackRecord record{std::string(fields[0]), size, std::string(fields[2]), std::string(fields[3]),
                      payload.substr(dataStart, static_cast<std::size_t>(size))};
    pos = dataStart + static_cast<std::size_t>(size);
    return record;
}

}  // namespace

std::string packRecordHeader(std::string_view name, std::int64_t size, std::string_view created,
                             std::string_view written) {
    std::string header(1, kRecordMarker);
    header += name;
    header += '|';
    header += std::to_string(size);
    header += '|';
    header += created;
    header += '|';
    header += written;
    header += '|';
    header.push_back('\0');
    return header;
}

void appendPackRecord(std::string& pack, std::string_view name, std::string_view created,
                      std::string_view written, std::string_view data) {
    pack += packRecordHeader(name, static_cast<std::int64_t>(data.size()), created, written);
    pack.append(data);
}

std::vector<PackRecord> readPackRecords(std::string_view payload) {
    std::vector<PackRecord> records;
    for (std::size_t pos = 0; pos < payload.size();) {
        std::optional<PackRecord> record = readRecord(payload, pos);
        if (!record) break;
        records.push_back(std::move(*record));
    }
    return records;
}

}  // namespace qv
