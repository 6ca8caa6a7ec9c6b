// ConfigStore: the key/value store behind the settings, the environment table, the
// client's message table and the HTTP header maps.
//
// Keys ("paths") are kept in ascending byte order of their folded form (ASCII and
// full-width capitals lowered, see foldCase); a key is unique after folding and keeps
// the spelling under which it was first set. Lookups are a binary search over the
// folded keys; all key and value text lives in three packed lists, so thousands of
// entries cost few allocations. Values are text; numbers are written as decimal text
// and read back like atol. A missing key reads as "" or 0.
//
// Key forms: "//ini/<section>/<key>" (persisted in the INI file, see IniFile.h),
// "//_enum_/<n>" (numeric keys, n may be negative), and any other text (run-time
// values such as RECV_DIR).
//
// Path variables ("$ARGV0$", ...) are expanded and collapsed through the environment
// table given at construction; without one (nullptr) texts are left as they are.
//
// Threads: every method may be called from any thread; each store serialises its own
// access with one mutex and never calls out while holding it. Getters return copies,
// so a value stays valid whatever other threads do afterwards.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/TextList.h"

namespace qv {

class EnvironmentTable;

class ConfigStore {
  public:
    // Flag of load, save and register default: leave path variables alone.
    static constexpr int kRaw = 2;

    struct Entry {
        std::string foldedKey;
        std::string key;  // as first set
        std::string value;
    };

    // `environment` (may be null) must outlive the store.
    explicit ConfigStore(const EnvironmentTable* environment = nullptr)
        : environment_(environment) {}
    ConfigStore(const ConfigStore&) = delete;
    ConfigStore& operator=(const ConfigStore&) = delete;

    const EnvironmentTable* environment() const { return environment_; }

    // Stores `value` under `path`; an empty path stores nothing. Returns 0.
    int setString(std::string_view path, std::string_view value);
    std::string getString(std::string_view path) const;
    int setNumber(std::string_view path, std::int64_t value);
    // atol of the value; 0 when absent.
    std::int64_t getNumber(std::string_view path) const;
    // Index of the entry, or -1 (also for an empty path).
    int find(std::string_view path) const;

    // The same on the numeric key "//_enum_/<n>".
    static std::string numericKey(std::int64_t n);
    int setStringByNumber(std::int64_t n, std::string_view value);
    std::string getStringByNumber(std::int64_t n) const;

    int count() const;
    // The key as first set, or the value, at `index` ("" outside the store).
    std::string keyAt(int index) const;
    std::string valueAt(int index) const;
    // Every entry, in the order of the folded keys, read under one lock.
    std::vector<Entry> entries() const;

    // Expands the path variables in `defaultValue` (unless `flags` has kRaw) and
    // stores it under `path`. Returns 0.
    int registerDefault(std::string_view path, std::string_view defaultValue, int flags = 0);

    // Path variables of this store's environment: "$ARGV0$" and its companions
    // replaced by their values, and the reverse. Without an environment the text
    // is returned unchanged. `truncated` tells whether the expansion reached its
    // 10900-byte limit and dropped the rest.
    std::string expandPathVariables(std::string_view text, bool* truncated = nullptr) const;
    std::string collapsePathVariables(std::string_view text) const;

  private:
    int setLocked(std::string_view path, std::string_view value);
    int findLocked(const std::string& folded, int* insertAt = nullptr) const;

    const EnvironmentTable* environment_;
    mutable std::mutex mutex_;
    TextList folded_;  // the lookup keys, sorted
    TextList keys_;    // the keys as first set
    TextList values_;
};

}  // namespace qv
