#include "model/ResultHistory.h"

#include <charconv>
#include <map>

#include "base/EnvironmentTable.h"
#include "base/Format.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// ---- JSON text ----

std::string jsonString(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += strprintf("\\u%04x", byte);
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Reads one flat JSON object of strings and integers: what this file's lines hold.
class FlatObjectReader {
  public:
    explicit FlatObjectReader(std::string_view text) : text_(text) {}

    // Texts by key (integers as their digits); nothing when the text is not such an
    // object.
    std::optional<std::map<std::string, std::string>> read() {
        std::map<std::string, std::string> values;
        if (!take('{')) return std::nullopt;
        if (take('}')) return finished(values);
        do {
            std::optional<std::string> key = string();
            if (!key || !take(':')) return std::nullopt;
            skipBlanks();
            std::optional<std::string> value = peek() == '"' ? string() : integer();
            if (!value) return std::nullopt;
            values[*key] = std::move(*value);
        } while (take(','));
        if (!take('}')) return std::nullopt;
        return finished(values);
    }

  private:
    char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    void skipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\r' || text_[at_] == '\n'))
            ++at_;
    }
    bool take(char c) {
        skipBlanks();
        if (peek() != c) return false;
        ++at_;
        return true;
    }
    std::optional<std::map<std::string, std::string>> finished(
        std::map<std::string, std::string>& values) {
        skipBlanks();
        if (at_ != text_.size()) return std::nullopt;
        return std::move(values);
    }
    std::optional<std::string> integer() {
        std::size_t start = at_;
        if (peek() == '-') ++at_;
        while (peek() >= '0' && peek() <= '9')
            ++at_;
        if (at_ == start || (at_ == start + 1 && text_[start] == '-')) return std::nullopt;
        return std::string(text_.substr(start, at_ - start));
    }
    std::optional<std::uint32_t> hex4() {
        std::uint32_t code = 0;
        if (at_ + 4 > text_.size()) return std::nullopt;
        auto [end, error] = std::from_chars(text_.data() + at_, text_.data() + at_ + 4, code, 16);
        if (error != std::errc() || end != text_.data() + at_ + 4) return std::nullopt;
        at_ += 4;
        return code;
    }
    std::optional<std::uint32_t> escapedCode() {
        std::optional<std::uint32_t> code = hex4();
        if (!code || *code < 0xD800 || *code > 0xDBFF) return code;
        // A high surrogate takes the low one that must follow.
        if (peek() != '\\' || at_ + 1 >= text_.size() || text_[at_ + 1] != 'u') return std::nullopt;
        at_ += 2;
        std::optional<std::uint32_t> low = hex4();
        if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
        return 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
    }
    std::optional<std::string> string() {
        if (!take('"')) return std::nullopt;
        std::string out;
        while (at_ < text_.size()) {
            char c = text_[at_++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            char escape = peek();
            ++at_;
            static const std::string_view kPlain = "\"\\/bfnrt";
            static const std::string_view kMeant = "\"\\/\b\f\n\r\t";
            if (std::size_t i = kPlain.find(escape);
                escape != '\0' && i != std::string_view::npos) {
                out += kMeant[i];
            } else if (escape == 'u') {
                std::optional<std::uint32_t> code = escapedCode();
                if (!code) return std::nullopt;
                appendUtf8(out, *code);
            } else {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

template <typename Enum>
std::optional<Enum> fromWord(const std::string& word, Enum first, Enum second,
                             const char* (*wordOf)(Enum)) {
    if (word == wordOf(first)) return first;
    if (word == wordOf(second)) return second;
    return std::nullopt;
}

// ---- CSV ----

std::string csvRow(const std::vector<std::string>& fields) {
    std::string row;
    for (const std::string& field : fields) {
        if (!row.empty()) row += ',';
        row += field;
    }
    return row + "\r\n";
}

}  // namespace

const char* directionWord(ResultDirection direction) {
    return direction == ResultDirection::Send ? "send" : "receive";
}

const char* kindWord(ResultKind kind) {
    return kind == ResultKind::SpeedTest ? "speed test" : "transfer";
}

std::string resultJsonLine(const RunResult& result) {
    return strprintf(
        "{\"time\":%s,\"peer\":%s,\"direction\":\"%s\",\"kind\":\"%s\","
        "\"bytes_per_second\":%lld,\"tcp\":%s}",
        jsonString(result.time).c_str(), jsonString(cp932ToUtf8Lossy(result.peer)).c_str(),
        directionWord(result.direction), kindWord(result.kind),
        static_cast<long long>(result.bytesPerSecond), jsonString(result.tcp).c_str());
}

std::optional<RunResult> parseResultJsonLine(std::string_view line) {
    if (line.size() > kMaxResultLine) return std::nullopt;
    std::optional<std::map<std::string, std::string>> values = FlatObjectReader(line).read();
    if (!values || !values->contains("time") || !values->contains("bytes_per_second"))
        return std::nullopt;
    std::optional<ResultDirection> direction = fromWord(
        (*values)["direction"], ResultDirection::Send, ResultDirection::Receive, directionWord);
    std::optional<ResultKind> kind =
        fromWord((*values)["kind"], ResultKind::SpeedTest, ResultKind::Transfer, kindWord);
    std::int64_t rate = 0;
    const std::string& digits = (*values)["bytes_per_second"];
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), rate);
    if (!direction || !kind || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return RunResult{
        (*values)["time"], utf8ToCp932Lossy((*values)["peer"]), *direction, *kind, rate,
        (*values)["tcp"]};
}

std::vector<RunResult> parseResultLines(std::string_view text) {
    std::vector<RunResult> results;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (std::optional<RunResult> result = parseResultJsonLine(line)) results.push_back(*result);
    }
    if (results.size() > kMaxResultEntries)
        results.erase(results.begin(), results.end() - kMaxResultEntries);
    return results;
}

std::string csvField(std::string_view utf8) {
    std::string text(utf8);
    if (!text.empty() && std::string_view("=+-@").find(text[0]) != std::string_view::npos)
        text.insert(0, "'");
    bool quoted = text.find_first_of(",\"\r\n") != std::string::npos ||
                  (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quoted) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string resultsCsv(const std::vector<RunResult>& results) {
    std::string csv =
        "\xEF\xBB\xBF" + csvRow({"time", "peer", "direction", "kind", "average_bytes_per_second",
                                 "average_mbit_per_second", "tcp"});
    for (const RunResult& result : results) {
        csv += csvRow({csvField(result.time), csvField(cp932ToUtf8Lossy(result.peer)),
                       directionWord(result.direction), csvField(kindWord(result.kind)),
                       std::to_string(result.bytesPerSecond),
                       strprintf("%.3f", static_cast<double>(result.bytesPerSecond) * 8 / 1e6),
                       csvField(result.tcp)});
    }
    return csv;
}

std::string resultHistoryPath(const EnvironmentTable& environment) {
    return environment.value(EnvironmentTable::kProgramStem) + "-results.jsonl";
}

std::vector<RunResult> loadResults(const std::string& path) {
    if (fileSize(path) > kMaxResultFile) return {};
    std::optional<std::string> text = readWholeFile(path);
    return text ? parseResultLines(*text) : std::vector<RunResult>();
}

bool appendResult(const std::string& path, const RunResult& result) {
    std::vector<RunResult> results = loadResults(path);
    results.push_back(result);
    if (results.size() > kMaxResultEntries)
        results.erase(results.begin(), results.end() - kMaxResultEntries);
    std::string text;
    for (const RunResult& kept : results)
        text += resultJsonLine(kept) + "\n";
    return writeWholeFile(path, text);
}

bool exportResultsCsv(const std::string& path, const std::vector<RunResult>& results) {
    return writeWholeFile(path, resultsCsv(results));
}

std::string speedTestResultLine(const std::string& peer, std::int64_t sendAverage,
                                std::int64_t receiveAverage, const std::string& tcp) {
    auto average = [](std::int64_t rate) { return rate < 0 ? std::string("-") : rateText(rate); };
    std::string line = formatText(J("【速度テスト結果 %s】送信平均 %s / 受信平均 %s"), peer.c_str(),
                                  average(sendAverage).c_str(), average(receiveAverage).c_str());
    if (!tcp.empty()) line += " / TCP " + tcp;
    return line;
}

}  // namespace qv
