#include "platform/ValueStore.h"

#include <array>
#include <functional>
#include <optional>

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/IniFile.h"
#include "base/TextUtil.h"

namespace qv {
namespace {

constexpr std::string_view kIniPrefix = "//ini/";
constexpr std::string_view kNumberTag = "(I)";
constexpr std::string_view kBinaryTag = "(B)";
constexpr std::string_view kStringTag = "(S)";

constexpr std::array<std::string_view, 7> kRootNames = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

enum class Kind { String, Number, Binary };

struct StoredValue {
    Kind kind = Kind::String;
    std::string bytes;
    std::int32_t number = 0;
};

std::string storeKey(std::string_view root, std::string_view path) {
    return std::string(kIniPrefix).append(root).append("/").append(path);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "0a 1b 2c": two hexadecimal digits at every third character; nothing else allowed
// in their places.
std::optional<std::string> parseBinary(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        if (i + 1 >= text.size()) return std::nullopt;
        int high = hexDigit(text[i]), low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::string binaryText(std::string_view bytes) {
    std::string text;
    for (unsigned char byte : bytes) {
        if (!text.empty()) text += ' ';
        text += strprintf("%02x", byte);
    }
    return text;
}

std::int32_t numberOf(std::string_view decimal) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(parseLong(decimal)));
}

// Strings keep "%", CR and LF in an escaped form, so that every string fits one line.
std::string escaped(std::string_view text) {
    std::string out = replaceAll(text, "%", "%25");
    out = replaceAll(out, "\r", "%0D");
    return replaceAll(out, "\n", "%0A");
}

std::string unescaped(std::string_view text) {
    std::string out = replaceAll(text, "%0A", "\n");
    out = replaceAll(out, "%0D", "\r");
    return replaceAll(out, "%25", "%");
}

// The tagged text kept in the file for a value written as `value`; none when refused.
std::optional<std::string> storedText(std::string_view value) {
    if (value.starts_with(kNumberTag)) {
        return strprintf("(I)%d", static_cast<int>(numberOf(value.substr(3))));
    }
    if (value.starts_with(kBinaryTag)) {
        std::optional<std::string> bytes = parseBinary(value.substr(3));
        if (!bytes) return std::nullopt;
        return std::string(kBinaryTag) + binaryText(*bytes);
    }
    // A string ends at its first NUL, as the text handed in would.
    return std::string(kStringTag) + escaped(value.substr(0, value.find('\0')));
}

StoredValue decoded(std::string_view text) {
    StoredValue value;
    if (text.starts_with(kNumberTag)) {
        value.kind = Kind::Number;
        value.number = numberOf(text.substr(3));
    } else if (text.starts_with(kBinaryTag)) {
        value.kind = Kind::Binary;
        value.bytes = parseBinary(text.substr(3)).value_or("");
    } else if (text.starts_with(kStringTag)) {
        value.bytes = unescaped(text.substr(3));
    } else {
        value.bytes = std::string(text);  // a line written by hand
    }
    return value;
}

std::int32_t firstFourBytes(std::string_view bytes) {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i)
        number |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return static_cast<std::int32_t>(number);
}

void readOut(const StoredValue& value, std::string* text, std::int32_t* number) {
    if (value.kind == Kind::Number) {
        if (text) *text = strprintf("%d", static_cast<int>(value.number));
        if (number) *number = value.number;
        return;
    }
    if (text) *text = value.bytes.substr(0, value.bytes.find('\0'));
    if (number) *number = firstFourBytes(value.bytes);
}

// Whether a line of the file can carry the path and read back the same.
bool fileCanCarry(std::string_view root, std::string_view path, std::string_view stored) {
    if (path.empty() || path.find_first_of(std::string_view("=\r\n\0", 4)) != path.npos) {
        return false;
    }
    if (path.front() == '[' || path.front() == '#' || path.front() == ';') return false;
    if (path.back() == ' ' || path.back() == '\t') return false;
    return storeKey(root, path).size() <= kIniMaxPath && stored.size() <= kIniMaxValue;
}

// True when the path ends in a "\" separator (not the second byte of a character):
// it names a key, not a value.
bool namesKey(std::string_view path) {
    return findLast(path, "\\") == static_cast<std::ptrdiff_t>(path.size()) - 1;
}

bool samePath(std::string_view a, std::string_view b) {
    return foldCase(a) == foldCase(b);
}

// A copy of `from` without the entries whose folded key `drop` picks.
std::unique_ptr<ConfigStore> copyWithout(const ConfigStore& from,
                                         const std::function<bool(const std::string&)>& drop) {
    auto copy = std::make_unique<ConfigStore>();
    for (const ConfigStore::Entry& entry : from.entries()) {
        if (!drop(entry.foldedKey)) copy->setString(entry.key, entry.value);
    }
    return copy;
}

}  // namespace

ValueStore::ValueStore(std::string filePath, ProxyQuery proxy)
    : filePath_(std::move(filePath)),
      proxy_(std::move(proxy)),
      values_(std::make_unique<ConfigStore>()) {
    loadIni(*values_, filePath_, ConfigStore::kRaw);
}

ValueStore::~ValueStore() = default;

bool ValueStore::isRootName(std::string_view root) {
    for (std::string_view name : kRootNames) {
        if (name == root) return true;
    }
    return false;
}

int ValueStore::read(std::string_view root, std::string_view path, std::string* text,
                     std::int32_t* number) const {
    if (text) text->clear();
    if (number) *number = 0;
    if (!isRootName(root) || path.empty()) return 0;
    if (answerFromEnvironment(root, path, text, number)) return 0;
    std::lock_guard lock(mutex_);
    std::string key = storeKey(root, path);
    if (values_->find(key) < 0) return 0;
    readOut(decoded(values_->getString(key)), text, number);
    return 0;
}

int ValueStore::write(std::string_view root, std::string_view path, std::string_view value) {
    if (!isRootName(root) || answerFromEnvironment(root, path, nullptr, nullptr)) return 0;
    std::optional<std::string> stored = storedText(value);
    if (!stored || !fileCanCarry(root, path, *stored)) return 0;
    std::lock_guard lock(mutex_);
    values_->setString(storeKey(root, path), *stored);
    save();
    return 0;
}

int ValueStore::remove(std::string_view root, std::string_view path) {
    if (!isRootName(root) || path.empty()) return 0;
    if (answerFromEnvironment(root, path, nullptr, nullptr)) return 0;
    std::string folded = foldCase(storeKey(root, path));
    std::lock_guard lock(mutex_);
    if (!namesKey(path)) {
        if (values_->find(storeKey(root, path)) < 0) return 0;
        values_ = copyWithout(*values_, [&](const std::string& key) { return key == folded; });
    } else {
        values_ =
            copyWithout(*values_, [&](const std::string& key) { return key.starts_with(folded); });
    }
    save();
    return 0;
}

bool ValueStore::answerFromEnvironment(std::string_view root, std::string_view path,
                                       std::string* text, std::int32_t* number) const {
    if (root != kRootCurrentUser) return false;
    bool enable = samePath(path, kProxyEnablePath);
    if (!enable && !samePath(path, kProxyServerPath)) return false;
    std::string proxy = proxy_ ? proxy_() : std::string();
    StoredValue value;
    if (enable) {
        value.kind = Kind::Number;
        value.number = proxy.empty() ? 0 : 1;
    } else {
        value.bytes = proxy;
    }
    readOut(value, text, number);
    return true;
}

void ValueStore::save() {
    saveIni(*values_, filePath_, ConfigStore::kRaw);
}

}  // namespace qv
