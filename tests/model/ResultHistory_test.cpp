// The result history: its JSON lines survive awkward texts, the file keeps only the
// newest entries, the CSV export escapes what a spreadsheet would misread, and the
// result line of a speed test.
#include "model/ResultHistory.h"

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

RunResult sample(std::string peer, std::int64_t rate = 1'000'000) {
    return {"2026/01/31 12:34:56",
            std::move(peer),
            ResultDirection::Receive,
            ResultKind::Transfer,
            rate,
            "RTT 0.05/0.31/1.20 ms, retransmissions 0"};
}

TEST(ResultHistory, JsonLinesKeepAwkwardTextsAndPassOverForeignLines) {
    RunResult awkward = sample(J("山田 \"the\" \\peer\\\t:9001"));
    std::string line = resultJsonLine(awkward);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(parseResultJsonLine(line), awkward);
    // Escapes another writer may use: \u with a surrogate pair, \/ and blanks.
    std::optional<RunResult> escaped = parseResultJsonLine(
        R"( { "time" : "t", "peer":"\u5c71\/\ud83d\ude00", "direction":"send",)"
        R"( "kind":"speed test", "bytes_per_second": 42, "extra": "ignored" } )");
    ASSERT_TRUE(escaped);
    // The emoji has no cp932 form.
    EXPECT_TRUE(cp932ToUtf8Lossy(escaped->peer).starts_with("山/?")) << escaped->peer;
    EXPECT_EQ(escaped->bytesPerSecond, 42);
    EXPECT_EQ(escaped->tcp, "");
    for (const char* foreign :
         {"", "not json", "{\"time\":\"t\"}",
          R"({"time":"t","direction":"up","kind":"transfer",)"
          R"("bytes_per_second":1})",
          R"({"time":"t","direction":"send","kind":"transfer","bytes_per_second":1x})",
          R"({"time":"t","direction":"send","kind":"transfer","bytes_per_second":1} trailing)",
          R"({"time":"\ud83d","direction":"send","kind":"transfer","bytes_per_second":1})",
          R"({"time":"open)"})
        EXPECT_FALSE(parseResultJsonLine(foreign)) << foreign;
    std::vector<RunResult> read =
        parseResultLines(line + "\nbroken\r\n" + resultJsonLine(sample("b")) + "\n");
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].peer, "b");
}

TEST(ResultHistory, FileKeepsTheNewestEntries) {
    test::SandboxFolder folder;
    std::string path = folder.dir() + "quorvane-results.jsonl";
    EXPECT_TRUE(loadResults(path).empty());
    for (std::size_t i = 0; i < kMaxResultEntries + 3; ++i)
        ASSERT_TRUE(appendResult(path, sample("p", static_cast<std::int64_t>(i))));
    std::vector<RunResult> kept = loadResults(path);
    ASSERT_EQ(kept.size(), kMaxResultEntries);
    EXPECT_EQ(kept.front().bytesPerSecond, 3);
    EXPECT_EQ(kept.back().bytesPerSecond, static_cast<std::int64_t>(kMaxResultEntries + 2));
    // A file that is not ours (far too large) is not read.
    ASSERT_TRUE(writeWholeFile(path, std::string(kMaxResultFile + 1, '\n')));
    EXPECT_TRUE(loadResults(path).empty());
}

TEST(ResultHistory, CsvQuotesAndDefusesFields) {
    EXPECT_EQ(csvField("plain"), "plain");
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(csvField("two\r\nlines"), "\"two\r\nlines\"");
    EXPECT_EQ(csvField(" edge"), "\" edge\"");
    EXPECT_EQ(csvField("=HYPERLINK(\"x\")"), "\"'=HYPERLINK(\"\"x\"\")\"");
    EXPECT_EQ(csvField("@SUM(A1)"), "'@SUM(A1)");
    std::string csv = resultsCsv({sample(J("山田,1"))});
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(csv.substr(3),
              "time,peer,direction,kind,average_bytes_per_second,average_mbit_per_second,tcp\r\n"
              "2026/01/31 12:34:56,\"山田,1\",receive,transfer,1000000,8.000,"
              "\"RTT 0.05/0.31/1.20 ms, retransmissions 0\"\r\n");
}

TEST(ResultHistory, SpeedTestLineGivesBothDirectionsAndTheTcpFigures) {
    EXPECT_EQ(cp932ToUtf8Lossy(speedTestResultLine("10.0.0.2:9001", 112'340'000, -1, "RTT 1 ms")),
              "【速度テスト結果 10.0.0.2:9001】送信平均 112 MB/s (899 Mbit/s) / 受信平均 - / "
              "TCP RTT 1 ms");
    EXPECT_EQ(cp932ToUtf8Lossy(speedTestResultLine("p", -1, 2'500, "")),
              "【速度テスト結果 p】送信平均 - / 受信平均 2.50 KB/s (0.02 Mbit/s)");
}

}  // namespace
}  // namespace qv
