// The window's record of finished speed tests and transfers: one entry per direction
// that moved data (when, with which peer, which way, the average rate, the TCP
// figures, speed test or transfer). The record lives in a file of the data folder as
// JSON lines (one object a line, UTF-8, oldest first) that keeps the newest
// kMaxResultEntries, and is exported as CSV for a spreadsheet. Also the result line
// that a finished speed test puts in front of the lower pane.
//
// A line of the file:
//   {"time":"2026/01/31 12:34:56","peer":"192.168.1.5:9001","direction":"send",
//    "kind":"speed test","bytes_per_second":112340000,"tcp":"RTT 0.05/0.31/1.20 ms, ..."}
// Lines that do not read as such an object are passed over.
//
// Threads: pure functions; the file functions on the window thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class EnvironmentTable;

enum class ResultKind { SpeedTest, Transfer };
enum class ResultDirection { Send, Receive };

struct RunResult {
    std::string time;  // "%04d/%02d/%02d %02d:%02d:%02d", local time
    std::string peer;  // cp932
    ResultDirection direction = ResultDirection::Send;
    ResultKind kind = ResultKind::SpeedTest;
    std::int64_t bytesPerSecond = 0;  // the average
    std::string tcp;                  // the TCP figures (ASCII); empty when none

    bool operator==(const RunResult&) const = default;
};

inline constexpr std::size_t kMaxResultEntries = 500;
// A longer line (or a larger file) is not ours: it is passed over.
inline constexpr std::size_t kMaxResultLine = 4096;
inline constexpr std::int64_t kMaxResultFile = 8 << 20;

// "send" / "receive", "speed test" / "transfer": the words of the file and the CSV.
const char* directionWord(ResultDirection direction);
const char* kindWord(ResultKind kind);

// One line of the file, without its line end.
std::string resultJsonLine(const RunResult& result);
std::optional<RunResult> parseResultJsonLine(std::string_view line);
// The entries of a file's text, the newest kMaxResultEntries of them.
std::vector<RunResult> parseResultLines(std::string_view text);

// One CSV field: quoted when it holds a comma, a quote, a line break or edge blanks
// (quotes doubled); a text a spreadsheet would take for a formula (= + - @ first)
// gets a leading apostrophe.
std::string csvField(std::string_view utf8);
// Header and one row per entry: UTF-8 with a byte-order mark, CR LF line ends.
std::string resultsCsv(const std::vector<RunResult>& results);

// The file of this installation: beside the INI file, named like the program with
// "-results.jsonl".
std::string resultHistoryPath(const EnvironmentTable& environment);
// The file at `path` (cp932); empty when it is missing or not readable.
std::vector<RunResult> loadResults(const std::string& path);
// Adds `result` and keeps the newest kMaxResultEntries; the file is replaced in one
// step. False when it could not be written.
bool appendResult(const std::string& path, const RunResult& result);
bool exportResultsCsv(const std::string& path, const std::vector<RunResult>& results);

// The lower pane's line for a finished speed test (cp932, no line end): both
// directions' averages ("-" for a direction below 0: not measured) and the TCP
// figures when there are any.
std::string speedTestResultLine(const std::string& peer, std::int64_t sendAverage,
                                std::int64_t receiveAverage, const std::string& tcp);

}  // namespace qv
