#include "base/Md5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/TextCodec.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

std::string textDigest(const char* text, int length = 0) {
    char out[33];
    EXPECT_EQ(f_MDText_s(text, length, out), 0);
    return std::string(out, 32) + (out[32] == '\0' ? "" : "<no NUL>");
}

TEST(Md5Test, Rfc1321Vectors) {
    EXPECT_EQ(textDigest(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(textDigest("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(textDigest("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(textDigest("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(textDigest("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(textDigest("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(textDigest("123456789012345678901234567890123456789012345678901234567890123456"
                         "78901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

// Messages whose padding ends just before, at and after a block boundary.
TEST(Md5Test, PaddingBoundaries) {
    const std::pair<int, const char*> cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},  {56, "3b0c8ac703f828b04c6c197006d17218"},
        {57, "652b906d60af96844ebd21b674f35e93"},  {63, "b06521f39153d618550606be297466d5"},
        {64, "014842d480b571495a4a0363793f7367"},  {65, "c743a45e0d2e6a95cb859adae0248435"},
        {119, "8a7bd0732ed6a28ce75f6dabc90e1613"}, {120, "5f61c0ccad4cac44c75ff505e1f1e537"},
    };
    for (auto [length, expected] : cases) {
        EXPECT_EQ(md5TextOf(std::string(length, 'a')), expected) << length;
    }
}

TEST(Md5Test, IncrementalUpdatesEqualOneShot) {
    std::string million(1000000, 'a');
    EXPECT_EQ(md5TextOf(million), "7707d6ae4e027c70eea2a935c2296f21");
    for (std::size_t chunk : {1u, 7u, 63u, 64u, 65u, 8000u}) {
        Md5 md5;
        for (std::size_t pos = 0; pos < million.size(); pos += chunk) {
            md5.update(std::string_view(million).substr(pos, chunk));
        }
        EXPECT_EQ(md5Text(md5.finish()), "7707d6ae4e027c70eea2a935c2296f21") << chunk;
        // finish() leaves a fresh context behind.
        EXPECT_EQ(md5Text(md5.finish()), "d41d8cd98f00b204e9800998ecf8427e");
    }
}

TEST(Md5Test, TextLengthZeroMeansUpToNulAndGivenLengthKeepsNuls) {
    const char bytes[] = {'a', 'b', 'c', '\0', 'd'};
    EXPECT_EQ(textDigest(bytes, 0), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(textDigest(bytes, 5), md5TextOf(std::string_view(bytes, 5)));
    EXPECT_NE(textDigest(bytes, 5), textDigest(bytes, 3));
}

TEST(Md5Test, FileDigestsAcrossReadBlockSizes) {
    test::SandboxFolder sandbox;
    for (std::size_t size : {0u, 1u, 7999u, 8000u, 8001u, 16000u, 100000u}) {
        std::string content(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            content[i] = static_cast<char>(i * 31 + size);
        std::string name = "f";
        name += std::to_string(size);
        std::string path = sandbox.write(name, content).string();
        char out[33] = {};
        ASSERT_EQ(f_MDFile_s(path.c_str(), out), 0) << size;
        EXPECT_EQ(std::string(out), md5TextOf(content)) << size;
        EXPECT_EQ(md5TextOfFile(path), md5TextOf(content)) << size;
    }
}

TEST(Md5Test, MissingFileLeavesOutputUnchanged) {
    test::SandboxFolder sandbox;
    char out[33];
    std::memset(out, 'x', sizeof out);
    std::string path = sandbox.dir() + "absent.bin";
    EXPECT_EQ(f_MDFile_s(path.c_str(), out), -1);
    EXPECT_EQ(std::string(out, sizeof out), std::string(33, 'x'));
    EXPECT_EQ(f_MDFile_s(sandbox.dir().c_str(), out), -1);  // a folder cannot be read
    EXPECT_EQ(std::string(out, sizeof out), std::string(33, 'x'));
    EXPECT_FALSE(md5TextOfFile(path));
}

TEST(Md5Test, FileWithJapaneseNameAndBackslashes) {
    test::SandboxFolder sandbox;
    sandbox.write("ソース/表.txt", "abc");
    // cp932 path: "ソ" ends in byte 0x5C, which must not split the name.
    std::string path = utf8ToCp932(sandbox.dir()).value() + J("ソース") + "\\" + J("表.txt");
    char out[33] = {};
    ASSERT_EQ(f_MDFile_s(path.c_str(), out), 0);
    EXPECT_STREQ(out, "900150983cd24fb0d6963f7d28e17f72");
}

}  // namespace
}  // namespace qv
