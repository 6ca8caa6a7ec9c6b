#include "base/IniFile.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/ConfigStore.h"
#include "base/TextUtil.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

constexpr std::string_view kIniPrefix = "//ini/";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";

// The content as cp932: a content holding a NUL byte is UTF-16LE.
std::string decodeContent(std::string_view bytes) {
    if (bytes.find('\0') == std::string_view::npos) return std::string(bytes);
    if (bytes.starts_with(kUtf16Bom)) bytes.remove_prefix(kUtf16Bom.size());
    return utf16leToCp932(bytes);
}

// The next line starting at `pos` (without its CR LF, CR or LF); `pos` moves past it.
std::string_view nextLine(std::string_view text, std::size_t& pos) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    return line;
}

// The key before "=": up to two trailing spaces, then up to two trailing tabs removed.
std::string_view trimKey(std::string_view key) {
    for (char blank : {' ', ' ', '\t', '\t'}) {
        if (!key.empty() && key.back() == blank) key.remove_suffix(1);
    }
    return key;
}

std::string_view skipBlanks(std::string_view value) {
    std::size_t start = value.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : value.substr(start);
}

class IniParser {
  public:
    IniParser(ConfigStore& store, int flags) : store_(store), flags_(flags) {}

    void line(std::string_view line) {
        if (line.empty() || line[0] == '#' || line[0] == ';') return;
        if (line[0] == '[') {
            sectionHeader(line);
        } else {
            keyLine(line);
        }
    }

    int stored() const { return stored_; }

  private:
    void sectionHeader(std::string_view line) {
        std::size_t close = findFirst(line, "]", 1);
        if (close == std::string_view::npos) return;
        std::string_view name = line.substr(1, close - 1);
        // An over-long name is refused, and with it every key up to the next header:
        // they must not land in the section before.
        sectionValid_ = name.size() <= kIniMaxSection;
        section_ = sectionValid_ ? name : std::string_view();
    }

    void keyLine(std::string_view line) {
        std::size_t equals = findFirst(line, "=");
        if (equals == std::string_view::npos || !sectionValid_) return;
        std::string_view key = trimKey(line.substr(0, equals));
        std::string_view value = skipBlanks(line.substr(equals + 1));
        std::size_t pathLength = kIniPrefix.size() + section_.size() + 1 + key.size();
        if (key.size() > kIniMaxKey || pathLength > kIniMaxPath || value.size() > kIniMaxValue) {
            return;
        }
        std::string path = std::string(kIniPrefix).append(section_).append("/").append(key);
        if (flags_ & ConfigStore::kRaw) {
            store_.setString(path, value);
        } else {
            bool truncated = false;
            std::string expanded = store_.expandPathVariables(value, &truncated);
            if (truncated) return;
            store_.setString(path, expanded);
        }
        ++stored_;
    }

    ConfigStore& store_;
    int flags_;
    std::string_view section_;
    bool sectionValid_ = true;
    int stored_ = 0;
};

// One "//ini/" entry taken apart for writing.
struct IniLine {
    std::string_view foldedSection;
    std::string_view section;
    std::string_view key;
    std::string value;
};

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Whether the entry can be written so that loading gives it back.
bool writable(const ConfigStore::Entry& entry, const IniLine& line) {
    if (entry.key.size() > kIniMaxPath || line.section.size() > kIniMaxSection) return false;
    if (line.value.size() > kIniMaxValue) return false;
    if (hasLineBreak(entry.key) || hasLineBreak(line.value)) return false;
    if (findFirst(line.section, "]") != std::string_view::npos) return false;
    if (line.key.find('=') != std::string_view::npos) return false;
    return line.key.empty() || (line.key[0] != '[' && line.key[0] != '#' && line.key[0] != ';');
}

// The entry as a line of the file, or false when it has no place there.
bool toIniLine(const ConfigStore& store, const ConfigStore::Entry& entry, int flags,
               IniLine& line) {
    if (!entry.foldedKey.starts_with(kIniPrefix)) return false;
    std::string_view rest = std::string_view(entry.key).substr(kIniPrefix.size());
    std::size_t slash = findFirst(rest, "/");
    if (slash == std::string_view::npos) return false;
    line.foldedSection = std::string_view(entry.foldedKey).substr(kIniPrefix.size(), slash);
    line.section = rest.substr(0, slash);
    line.key = rest.substr(slash + 1);
    line.value = flags & ConfigStore::kRaw ? entry.value : store.collapsePathVariables(entry.value);
    return writable(entry, line);
}

}  // namespace

int parseIni(ConfigStore& store, std::string_view bytes, int flags) {
    std::string text = decodeContent(bytes);
    IniParser parser(store, flags);
    for (std::size_t pos = 0; pos < text.size();)
        parser.line(nextLine(text, pos));
    return parser.stored();
}

int loadIni(ConfigStore& store, std::string_view path, int flags) {
    std::optional<std::string> content = readWholeFile(path);
    if (content) parseIni(store, *content, flags);
    return 0;
}

std::string formatIni(const ConfigStore& store, int flags) {
    const std::vector<ConfigStore::Entry> entries = store.entries();
    std::vector<IniLine> lines;
    for (const ConfigStore::Entry& entry : entries) {
        IniLine line;
        if (toIniLine(store, entry, flags, line)) lines.push_back(std::move(line));
    }
    // The empty section has no header, so its keys must come before any other.
    std::stable_partition(lines.begin(), lines.end(),
                          [](const IniLine& line) { return line.section.empty(); });
    std::string out;
    std::string_view previousSection;
    for (const IniLine& line : lines) {
        if (line.foldedSection != previousSection) {
            out.append("[").append(line.section).append("]\r\n");
            previousSection = line.foldedSection;
        }
        out.append(line.key).append("=").append(line.value).append("\r\n");
    }
    return out;
}

int saveIni(const ConfigStore& store, std::string_view path, int flags) {
    return writeWholeFile(path, formatIni(store, flags)) ? 0 : -1;
}

std::string_view valueAsLoaded(std::string_view value) {
    return skipBlanks(value);
}

}  // namespace qv
