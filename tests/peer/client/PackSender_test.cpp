// The Pack buffer: records, bounded growth, and the request it turns into.
#include "peer/client/PackSender.h"

#include <gtest/gtest.h>

#include <cstring>

#include "peer/client/FileSender.h"
#include "peer/protocol/PackRecords.h"
#include "peer/protocol/RequestKind.h"

namespace qv {
namespace {

void addRecord(PackBuffer& pack, const std::string& name, const std::string& data) {
    std::string header = packRecordHeader(name, static_cast<std::int64_t>(data.size()),
                                          "2026/01/02 03:04:05", "2026/01/02 03:04:06");
    char* room = pack.appendRecord(header, static_cast<std::int64_t>(data.size()));
    std::memcpy(room, data.data(), data.size());
    pack.countFile();
}

TEST(PackBuffer, RecordsReadBackFromTheRequest) {
    PackBuffer pack;
    EXPECT_TRUE(pack.empty());
    addRecord(pack, "d\\a.txt", "alpha");
    addRecord(pack, "d\\b.txt", std::string("b\0b", 3));
    addRecord(pack, "empty.txt", "");
    EXPECT_EQ(pack.fileCount(), 3);

    FileStamp stamp{std::string(kPackName), "", "2026/01/02 03:04:05", "2026/01/02 03:04:05"};
    std::string header = sendRequestHeader(stamp, pack.size());
    std::span<char> bytes = pack.request(header);
    std::string request(bytes.begin(), bytes.end());
    ASSERT_EQ(request.rfind("SEND-REQ:** PAK **|", 0), 0u);
    ASSERT_EQ(request.substr(0, header.size()), header);
    std::string_view payload = std::string_view(request).substr(header.size());
    std::vector<PackRecord> records = readPackRecords(payload);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].name, "d\\a.txt");
    EXPECT_EQ(records[0].data, "alpha");
    EXPECT_EQ(records[1].data, std::string_view("b\0b", 3));
    EXPECT_EQ(records[2].size, 0);
    EXPECT_EQ(records[1].written, "2026/01/02 03:04:06");
}

TEST(PackBuffer, DroppedRecordLeavesTheOthers) {
    PackBuffer pack;
    addRecord(pack, "a", "1");
    std::int64_t before = pack.size();
    pack.appendRecord(":b|5|x|y|", 5);
    pack.dropRecordsFrom(before);
    EXPECT_EQ(pack.size(), before);
    EXPECT_EQ(readPackRecords(pack.payload()).size(), 1u);
}

TEST(PackBuffer, MemoryGrowsWithTheRecords) {
    PackBuffer pack;
    addRecord(pack, "a", std::string(4096, 'a'));
    // Nothing is reserved ahead for a full Pack.
    EXPECT_LT(pack.capacity(), 3 * 4096u);

    PackBuffer growing;
    for (int i = 0; i < 100; ++i)
        addRecord(growing, "f", std::string(4000, 'f'));
    const std::size_t used = growing.request("H").size();
    EXPECT_LE(growing.capacity(), 2 * used + 256);
    // A sent Pack keeps its memory for the next one; release gives it back.
    const std::size_t held = growing.capacity();
    growing.clear();
    EXPECT_TRUE(growing.empty());
    EXPECT_EQ(growing.capacity(), held);
    growing.release();
    EXPECT_LT(growing.capacity(), 1024u);
}

}  // namespace
}  // namespace qv
