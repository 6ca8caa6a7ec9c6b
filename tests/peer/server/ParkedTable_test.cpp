// The open PC's table of parked PortN connections, over real socket pairs.
#include "peer/server/ParkedTable.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace qv {
namespace {

const IpAddress kAddress = IpAddress::fromV4(0x0500000A);
const IpAddress kOtherAddress = IpAddress::fromV4(0x0600000A);

// Socket pairs whose far ends the test holds; closed at the end.
class ParkedTableTest : public ::testing::Test {
  protected:
    ParkedTable table;
    std::vector<int> farEnds;

    // A connected socket for the table; its far end stays with the test.
    int connection() {
        int fds[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        farEnds.push_back(fds[1]);
        return fds[0];
    }
    void TearDown() override {
        for (int fd : farEnds)
            close(fd);
    }
};

TEST_F(ParkedTableTest, TakeFindsAFreeEntryOfTheSameAddressAndIdentity) {
    int first = connection(), second = connection();
    ASSERT_EQ(table.park(kAddress, "taro@abcdef", first), 0);
    ASSERT_EQ(table.park(kAddress, "taro@abcdef", second), 0);
    EXPECT_EQ(table.take(kAddress, "jiro@abcdef"), -1);
    EXPECT_EQ(table.take(kOtherAddress, "taro@abcdef"), -1);
    EXPECT_EQ(table.take(IpAddress{}, "taro@abcdef"), -1);
    // Without an index it is a presence test: nothing is marked.
    EXPECT_EQ(table.take(kAddress, "taro@abcdef"), first);
    int index = -1;
    EXPECT_EQ(table.take(kAddress, "taro@abcdef", &index), first);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(table.take(kAddress, "taro@abcdef", &index), second);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(table.take(kAddress, "taro@abcdef", &index), -1);
    EXPECT_EQ(table.refresh().inUse, 2);

    // The taker closes the socket and releases; a stale release changes nothing.
    close(first);
    table.release(0, first);
    table.release(1, first);
    ParkedTable::Counts counts = table.refresh();
    EXPECT_EQ(counts.parked, 1);
    EXPECT_EQ(counts.inUse, 1);
    close(second);
    table.release(1, second);
    EXPECT_EQ(table.refresh().parked, 0);
}

TEST_F(ParkedTableTest, CleanUpFreesEndedConnectionsOnly) {
    int ended = connection(), live = connection(), taken = connection();
    table.park(kAddress, "a", ended);
    table.park(kAddress, "b", live);
    table.park(kAddress, "c", taken);
    int index = -1;
    ASSERT_EQ(table.take(kAddress, "c", &index), taken);
    close(farEnds[0]);
    close(farEnds[2]);
    farEnds = {farEnds[1]};
    ASSERT_EQ(write(farEnds[0], "x", 1), 1);  // data waiting on a live connection

    ParkedTable::Counts counts = table.refresh();
    EXPECT_EQ(counts.parked, 2);  // the one in use is the taker's business
    EXPECT_EQ(table.take(kAddress, "a"), -1);
    // The waiting byte was only looked at, not taken away.
    char byte = 0;
    EXPECT_EQ(recv(live, &byte, 1, MSG_DONTWAIT), 1);
    EXPECT_EQ(byte, 'x');
    close(taken);
    table.release(index, taken);
}

TEST_F(ParkedTableTest, FullTableRefusesAndLongIdentitiesAreCut) {
    int zero = connection();
    EXPECT_EQ(table.park(IpAddress{}, "zero", zero), -1);  // no address marks a free entry
    close(zero);
    for (int i = 0; i < ParkedTable::kEntries; ++i)
        ASSERT_EQ(table.park(kAddress, std::string(60, 'n'), connection()), 0);
    int extra = connection();
    EXPECT_EQ(table.park(kAddress, "late", extra), -1);
    close(extra);
    EXPECT_EQ(table.parkedEntries().front().identity, std::string(49, 'n'));
}

}  // namespace
}  // namespace qv
