#include "platform/TcpWindowSize.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/SandboxFolder.h"

namespace qv {
namespace {

TEST(TcpWindowSize, ParsesThreeBufferSizes) {
    std::optional<TcpReceiveBuffers> kernel = parseTcpReceiveBuffers("4096\t131072\t6291456\n");
    ASSERT_TRUE(kernel);
    EXPECT_EQ(kernel->minimum, 4096);
    EXPECT_EQ(kernel->standard, 131072);
    EXPECT_EQ(kernel->maximum, 6291456);
    EXPECT_TRUE(parseTcpReceiveBuffers(" 1  2 2147483647 "));
    for (const char* bad : {"", "4096 131072", "1 2 3 4", "0 2 3", "-1 2 3", "1 2 2147483648",
                            "1 2x 3", "1 99999999999 3", "a b c"})
        EXPECT_FALSE(parseTcpReceiveBuffers(bad)) << bad;
}

TEST(TcpWindowSize, WindowSizeSetsDefaultAndMaximum) {
    TcpReceiveBuffers kernel{4096, 131072, 6291456};
    TcpReceiveBuffers wider = withWindowSize(kernel, 1000000);
    EXPECT_EQ(tcpReceiveBuffersText(wider), "4096 1000000 1000000");
    EXPECT_EQ(tcpReceiveBuffersText(withWindowSize(kernel, 1000)), "1000 1000 1000");
}

TEST(TcpWindowSize, ReadsAndWritesTheSettingsFile) {
    test::SandboxFolder folder;
    std::string path = folder.write("tcp_rmem", "4096\t131072\t6291456\n").string();
    EXPECT_EQ(currentTcpWindowSize(path), 131072);
    EXPECT_EQ(writeTcpReceiveBuffers(path, {4096, 65535, 65535}), TcpWriteResult::Written);
    EXPECT_EQ(folder.read("tcp_rmem"), "4096 65535 65535\n");
    EXPECT_EQ(currentTcpWindowSize(path), 65535);

    EXPECT_EQ(currentTcpWindowSize(folder.dir() + "missing"), 0);
    EXPECT_EQ(writeTcpReceiveBuffers(folder.dir() + "no/such/file", {1, 2, 3}),
              TcpWriteResult::Failed);
}

TEST(TcpWindowSize, KernelRefusesWritesWithoutTheRight) {
    // A read-only kernel setting: no one may write it, not even root.
    const std::string readOnly = "/proc/sys/fs/file-nr";
    if (!std::ifstream(readOnly)) GTEST_SKIP() << readOnly << " is not here";
    EXPECT_EQ(writeTcpReceiveBuffers(readOnly, {1, 2, 3}), TcpWriteResult::NotPermitted);
}

TEST(TcpWindowSize, CurrentSizeIsTheKernelsDefaultBuffer) {
    std::ifstream in(kTcpRmemPath);
    long minimum = 0, standard = 0;
    if (!(in >> minimum >> standard)) GTEST_SKIP() << "no tcp_rmem here";
    EXPECT_EQ(currentTcpWindowSize(), standard);
}

}  // namespace
}  // namespace qv
