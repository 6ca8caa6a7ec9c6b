#include "peer/protocol/PackRecords.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

using namespace std::string_literals;

const std::string kCreated = "2009/07/19 16:42:38";
const std::string kWritten = "2009/07/20 08:00:01";

std::string record(std::string_view name, std::string_view data) {
    std::string pack;
    appendPackRecord(pack, name, kCreated, kWritten, data);
    return pack;
}

TEST(PackRecords, RecordsAreBuiltAndReadBack) {
    EXPECT_EQ(record("a.txt", "xyz"), ":a.txt|3|" + kCreated + "|" + kWritten + "|\0xyz"s);
    EXPECT_EQ(packRecordHeader("b", 5000000000LL, kCreated, kWritten),
              ":b|5000000000|" + kCreated + "|" + kWritten + "|\0"s);

    std::string binary = "\0:|\r\n\xFF"s;
    std::string pack = record("dir\\a.txt", "xyz") + record("empty", "") + record("bin", binary);
    std::vector<PackRecord> records = readPackRecords(pack);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].name, "dir\\a.txt");
    EXPECT_EQ(records[0].size, 3);
    EXPECT_EQ(records[0].created, kCreated);
    EXPECT_EQ(records[0].written, kWritten);
    EXPECT_EQ(records[0].data, "xyz");
    EXPECT_EQ(records[1].size, 0);
    EXPECT_EQ(records[1].data, "");
    EXPECT_EQ(records[2].data, binary);
    EXPECT_TRUE(readPackRecords("").empty());
}

TEST(PackRecords, DataMustLieInsideThePayload) {
    std::string two = record("a", "12345") + record("b", "67890");
    EXPECT_EQ(readPackRecords(two).size(), 2u);  // the last data end at the payload's end
    std::string shortByOne = two.substr(0, two.size() - 1);
    std::vector<PackRecord> records = readPackRecords(shortByOne);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].name, "a");

    // A third record that claims more bytes than remain: the first two are kept.
    std::string claim = ":c|9999999999|" + kCreated + "|" + kWritten + "|\0abc"s;
    EXPECT_EQ(readPackRecords(two + claim).size(), 2u);
}

TEST(PackRecords, TheWalkStopsAtTheFirstBadRecord) {
    std::string good = record("a", "x");
    // A header without its 0 byte.
    EXPECT_EQ(readPackRecords(good + ":b|1|" + kCreated + "|" + kWritten + "|x").size(), 1u);
    // No ":" where the next record should begin.
    EXPECT_EQ(readPackRecords(good + "b|1|\0x"s + good).size(), 1u);
    // A size of eleven digits.
    std::string huge = ":b|10000000000|" + kCreated + "|" + kWritten + "|\0"s;
    EXPECT_EQ(readPackRecords(good + huge + std::string(100, 'z')).size(), 1u);
    // A size that is no number, a bad time, too few fields.
    EXPECT_EQ(readPackRecords(good + ":b|-1|" + kCreated + "|" + kWritten + "|\0"s).size(), 1u);
    EXPECT_EQ(readPackRecords(good + ":b|1|2009/07/19|" + kWritten + "|\0x"s).size(), 1u);
    EXPECT_EQ(readPackRecords(good + ":b|1|" + kCreated + "\0x"s).size(), 1u);
}

TEST(PackRecords, NameLengthLimit) {
    EXPECT_EQ(readPackRecords(record(std::string(900, 'n'), "x")).size(), 1u);
    EXPECT_TRUE(readPackRecords(record(std::string(901, 'n'), "x")).empty());
}

}  // namespace
}  // namespace qv
