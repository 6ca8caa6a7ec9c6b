#include "base/ConfigStore.h"

#include "base/EnvironmentTable.h"
#include "base/TextUtil.h"

namespace qv {
namespace {

// Paths and values are C texts: whatever follows a NUL byte is not part of them.
std::string_view cText(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace

int ConfigStore::findLocked(const std::string& folded, int* insertAt) const {
    return folded_.findSorted(folded, insertAt);
}

int ConfigStore::setLocked(std::string_view path, std::string_view value) {
    path = cText(path);
    value = cText(value);
    if (path.empty()) return 0;
    std::string folded = foldCase(path);
    int insertAt = 0;
    int index = findLocked(folded, &insertAt);
    if (index < 0) {
        folded_.add(folded, insertAt);
        keys_.add(path, insertAt);
        values_.add(value, insertAt);
    } else if (values_.item(index) != value) {
        // The key keeps the spelling it was first set with.
        values_.add(value, index, kListReplace);
    }
    return 0;
}

int ConfigStore::setString(std::string_view path, std::string_view value) {
    std::lock_guard lock(mutex_);
    return setLocked(path, value);
}

std::string ConfigStore::getString(std::string_view path) const {
    path = cText(path);
    if (path.empty()) return {};
    std::string folded = foldCase(path);
    std::lock_guard lock(mutex_);
    int index = findLocked(folded);
    return index < 0 ? std::string() : std::string(values_.item(index));
}

int ConfigStore::setNumber(std::string_view path, std::int64_t value) {
    return setString(path, std::to_string(value));
}

std::int64_t ConfigStore::getNumber(std::string_view path) const {
    return parseLong(getString(path));
}

int ConfigStore::find(std::string_view path) const {
    path = cText(path);
    if (path.empty()) return -1;
    std::string folded = foldCase(path);
    std::lock_guard lock(mutex_);
    return findLocked(folded);
}

std::string ConfigStore::numericKey(std::int64_t n) {
    return "//_enum_/" + std::to_string(n);
}

int ConfigStore::setStringByNumber(std::int64_t n, std::string_view value) {
    return setString(numericKey(n), value);
}

std::string ConfigStore::getStringByNumber(std::int64_t n) const {
    return getString(numericKey(n));
}

int ConfigStore::count() const {
    std::lock_guard lock(mutex_);
    return folded_.count();
}

std::string ConfigStore::keyAt(int index) const {
    std::lock_guard lock(mutex_);
    return index < 0 ? std::string() : std::string(keys_.item(index));
}

std::string ConfigStore::valueAt(int index) const {
    std::lock_guard lock(mutex_);
    return index < 0 ? std::string() : std::string(values_.item(index));
}

std::vector<ConfigStore::Entry> ConfigStore::entries() const {
    std::lock_guard lock(mutex_);
    std::vector<Entry> result;
    result.reserve(static_cast<std::size_t>(folded_.count()));
    for (int i = 0; i < folded_.count(); ++i) {
        result.push_back(Entry{std::string(folded_.item(i)), std::string(keys_.item(i)),
                               std::string(values_.item(i))});
    }
    return result;
}

int ConfigStore::registerDefault(std::string_view path, std::string_view defaultValue, int flags) {
    if (flags & kRaw) return setString(path, defaultValue);
    return setString(path, expandPathVariables(defaultValue));
}

std::string ConfigStore::expandPathVariables(std::string_view text, bool* truncated) const {
    if (truncated) *truncated = false;
    if (!environment_) return std::string(text);
    return environment_->expand(text, truncated);
}

std::string ConfigStore::collapsePathVariables(std::string_view text) const {
    if (!environment_) return std::string(text);
    return environment_->collapse(text);
}

}  // namespace qv
