#include "base/MemFile.h"

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

std::vector<std::string> allLines(MemFile& file, bool strip) {
    std::vector<std::string> lines;
    std::string line;
    while (file.readLine(line, strip))
        lines.push_back(line);
    return lines;
}

TEST(MemFileTest, OpenModes) {
    test::SandboxFolder sandbox;
    std::string path = sandbox.write("f.txt", "abc").string();
    auto fr = MemFile::open(path, "fr");
    ASSERT_TRUE(fr);
    EXPECT_EQ(fr->data(), "abc");
    EXPECT_EQ(fr->data().data()[3], '\0');
    EXPECT_EQ(fr->capacity(), 1003u);
    EXPECT_EQ(fr->name(), path);
    EXPECT_EQ(fr->times().written, getFileTimes(path)->written);

    EXPECT_FALSE(MemFile::open(sandbox.dir() + "absent", "fr"));
    EXPECT_FALSE(MemFile::open("x", "zz"));
    EXPECT_FALSE(MemFile::open("x", "dd"));  // no source

    FakeClock clock(1700000000);
    auto mr = MemFile::open("text", "mr", nullptr, &clock);
    ASSERT_TRUE(mr);
    EXPECT_EQ(mr->name(), "NON");
    EXPECT_EQ(mr->data(), "text");
    EXPECT_EQ(mr->times().created, fileTimeFromUnix(1700000000));

    auto mw = MemFile::open("junk", "mw");
    ASSERT_TRUE(mw);
    EXPECT_EQ(mw->capacity(), 10000u);
    EXPECT_EQ(MemFile::open("  123456", "mw")->capacity(), 123456u);
}

TEST(MemFileTest, ReadLinesWithAndWithoutStrip) {
    auto file = MemFile::openText("a\r\nb\rc\n");
    EXPECT_EQ(allLines(*file, true), (std::vector<std::string>{"a", "b", "c"}));
    file->rewind();
    EXPECT_EQ(allLines(*file, false), (std::vector<std::string>{"a\n", "b\n", "c\n"}));
    // Blank lines are lines; a last line without terminator is read too.
    EXPECT_EQ(allLines(*MemFile::openText("\n\r\nx"), true),
              (std::vector<std::string>{"", "", "x"}));
    // A NUL ends the data.
    EXPECT_EQ(allLines(*MemFile::openText(std::string_view("p\nq\0r\n", 6)), true),
              (std::vector<std::string>{"p", "q"}));
}

TEST(MemFileTest, EmptyFileReadsNoLine) {
    test::SandboxFolder sandbox;
    auto file = MemFile::openFile(sandbox.write("empty", "").string());
    ASSERT_TRUE(file);
    std::string line = "unchanged";
    EXPECT_FALSE(file->readLine(line, true));
}

TEST(MemFileTest, LongLineInPiecesWithMaxBytes) {
    auto file = MemFile::openText("abcdefg\nh");
    std::string line;
    ASSERT_TRUE(file->readLine(line, true, nullptr, 3));
    EXPECT_EQ(line, "abc");
    ASSERT_TRUE(file->readLine(line, true, nullptr, 3));
    EXPECT_EQ(line, "def");
    ASSERT_TRUE(file->readLine(line, true, nullptr, 3));
    EXPECT_EQ(line, "g");
    ASSERT_TRUE(file->readLine(line, true, nullptr, 3));
    EXPECT_EQ(line, "h");
}

TEST(MemFileTest, ReadLinePumpsOncePerLine) {
    int ran = 0;
    auto file = MemFile::openText("1\n2\n");
    std::string line;
    LinePump pumpOne = [&ran] { ++ran; };
    EXPECT_TRUE(file->readLine(line, true, pumpOne));
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(file->readLine(line, true, pumpOne));
    EXPECT_EQ(ran, 2);
}

TEST(MemFileTest, WriteTextTurnsLoneLfIntoCrLf) {
    auto file = MemFile::openBuffer(0);
    file->writeText("a\nb\r\nc\n");
    EXPECT_EQ(file->data(), "a\r\nb\r\nc\r\n");
    // A CR at the end of one write and the LF at the start of the next stay one pair.
    file->writeText("d\r");
    file->writeText("\ne");
    EXPECT_EQ(file->data(), "a\r\nb\r\nc\r\nd\r\ne");
    EXPECT_EQ(file->data().data()[file->size()], '\0');
    file->writeBytes("\n", 1);
    EXPECT_EQ(file->data().back(), '\n');
    EXPECT_EQ(file->data().substr(file->size() - 2), "e\n");
}

TEST(MemFileTest, WriteAtCursorOverwritesAndExtends) {
    auto file = MemFile::openText("hello world");
    file->rewind();
    EXPECT_TRUE(file->writeBytes("J"));
    EXPECT_EQ(file->mode(), "mw");
    EXPECT_EQ(file->data(), "Jello world");
    file->seek(100);  // clamped to the end
    EXPECT_EQ(file->cursor(), 11u);
    file->writeText("!");
    EXPECT_EQ(file->data(), "Jello world!");
}

TEST(MemFileTest, GrowthTenfoldWhileSmall) {
    auto file = MemFile::open("10", "mw");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->capacity(), 10000u);
    file->writeBytes(std::string(10000, 'x'));
    EXPECT_EQ(file->capacity(), 10000u);
    file->writeBytes("y");
    EXPECT_EQ(file->capacity(), 100000u);

    auto big = MemFile::open("10", "mw");
    big->writeBytes(std::string(90000, 'a'));
    EXPECT_EQ(big->capacity(), 100000u);
    big->writeBytes(std::string(110000, 'b'));
    EXPECT_EQ(big->capacity(), 1000000u);
    EXPECT_EQ(big->size(), 200000u);
    EXPECT_EQ(big->data().substr(89999, 2), "ab");
}

TEST(MemFileTest, GrowthOfLargeBuffersIsBounded) {
    auto file = MemFile::openBuffer(10000000);
    file->seek(0);
    std::string chunk(1 << 20, 'z');
    for (int i = 0; i < 11; ++i)
        file->writeBytes(chunk);  // 11 MiB > 10 000 000
    EXPECT_EQ(file->capacity(), 20000000u);
    auto huge = MemFile::openBuffer(100000000);
    std::string block(1000, 'q');
    huge->seek(0);
    for (int i = 0; i < 100001; ++i)
        huge->writeBytes(block);
    EXPECT_EQ(huge->capacity(), 100000000u + (64u << 20));
}

TEST(MemFileTest, CursorSharesTheBufferAndIgnoresWrites) {
    auto owner = MemFile::openBuffer(0);
    owner->writeText("one\ntwo\n");
    auto cursor = MemFile::open("", "dd", owner.get());
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->name(), "NON");
    EXPECT_FALSE(cursor->writeText("ignored"));
    EXPECT_EQ(allLines(*cursor, true), (std::vector<std::string>{"one", "two"}));
    // Growth of the owner moves the buffer; the cursor follows it.
    owner->writeBytes(std::string(20000, 'x'));
    std::string line;
    ASSERT_TRUE(cursor->readLine(line, true));
    EXPECT_EQ(line.size(), 20000u);
    owner.reset();  // the cursor keeps the bytes alive
    cursor->rewind();
    ASSERT_TRUE(cursor->readLine(line, true));
    EXPECT_EQ(line, "one");
}

class MemFileSaveTest : public ::testing::Test {
  protected:
    std::string path(const char* name) const { return sandbox_.dir() + name; }
    test::SandboxFolder sandbox_;
    FileTimes stamp_{fileTimeFromUnix(1500000000), fileTimeFromUnix(1600000000),
                     fileTimeFromUnix(1600000001)};
};

TEST_F(MemFileSaveTest, SaveWritesDataAndTimes) {
    auto file = MemFile::openText("content");
    file->setTimes(stamp_);
    EXPECT_EQ(file->save(path("out"), 0), MemFile::SaveResult::Written);
    // Times first: reading the content may move the access time.
    EXPECT_EQ(getFileTimes(path("out"))->written, stamp_.written);
    EXPECT_EQ(getFileTimes(path("out"))->accessed, stamp_.accessed);
    EXPECT_EQ(sandbox_.read("out"), "content");
    // Same last-write time: nothing is written unless forced.
    auto other = MemFile::openText("other");
    other->setTimes(stamp_);
    EXPECT_EQ(other->save(path("out"), 0), MemFile::SaveResult::Unchanged);
    EXPECT_EQ(sandbox_.read("out"), "content");
    EXPECT_EQ(other->save(path("out"), MemFile::kSaveForce), MemFile::SaveResult::Written);
    EXPECT_EQ(sandbox_.read("out"), "other");
    EXPECT_EQ(other->save(sandbox_.dir() + "no/such/folder/f", 1), MemFile::SaveResult::Failed);
}

TEST_F(MemFileSaveTest, AppendTailAndAppendAll) {
    auto file = MemFile::openText("0123456789");
    file->setTimes(stamp_);
    sandbox_.write("tail", "0123");
    EXPECT_EQ(file->save(path("tail"), MemFile::kSaveAppendTail | MemFile::kSaveForce),
              MemFile::SaveResult::Written);
    EXPECT_EQ(sandbox_.read("tail"), "0123456789");
    sandbox_.write("long", "0123456789ABC");
    file->save(path("long"), MemFile::kSaveAppendTail | MemFile::kSaveForce);
    EXPECT_EQ(sandbox_.read("long"), "0123456789ABC");
    sandbox_.write("all", "xy");
    file->save(path("all"), MemFile::kSaveAppendAll | MemFile::kSaveForce);
    EXPECT_EQ(sandbox_.read("all"), "xy0123456789");
    file->save(path("new"), MemFile::kSaveAppendAll);
    EXPECT_EQ(sandbox_.read("new"), "0123456789");
}

}  // namespace
}  // namespace qv
