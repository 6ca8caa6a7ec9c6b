#include "base/ConfigStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

#include "base/EnvironmentTable.h"

namespace qv {
namespace {

TEST(ConfigStore, KeysFoldButKeepTheirFirstSpelling) {
    ConfigStore store;
    store.setString("//ini/Quorvane/Port", "9001");
    EXPECT_EQ(store.getString("//INI/quorvane/PORT"), "9001");
    store.setString("//ini/QUORVANE/PORT", "9002");
    EXPECT_EQ(store.count(), 1);
    EXPECT_EQ(store.keyAt(0), "//ini/Quorvane/Port");
    EXPECT_EQ(store.valueAt(0), "9002");
    // Full-width capitals fold to their small letters.
    store.setString("\x82\x60", "wide");
    EXPECT_EQ(store.getString("\x82\x81"), "wide");
}

TEST(ConfigStore, AbsentAndEmptyPaths) {
    ConfigStore store;
    store.setString("a", "1");
    EXPECT_EQ(store.getString("b"), "");
    EXPECT_EQ(store.getNumber("b"), 0);
    EXPECT_EQ(store.find("b"), -1);
    EXPECT_EQ(store.setString("", "x"), 0);
    EXPECT_EQ(store.count(), 1);
    EXPECT_EQ(store.find(""), -1);
    EXPECT_EQ(store.getNumber(""), 0);
    EXPECT_EQ(store.keyAt(1), "");
    EXPECT_EQ(store.valueAt(-1), "");
}

TEST(ConfigStore, ShorterAndLongerValuesKeepTheCount) {
    ConfigStore store;
    store.setString("k", "medium");
    store.setString("j", "other");
    store.setString("k", "a much longer value than before");
    EXPECT_EQ(store.getString("k"), "a much longer value than before");
    store.setString("k", "s");
    EXPECT_EQ(store.getString("k"), "s");
    store.setString("k", "");
    EXPECT_EQ(store.getString("k"), "");
    EXPECT_EQ(store.count(), 2);
    EXPECT_EQ(store.getString("j"), "other");
}

TEST(ConfigStore, NumbersAndNumericKeys) {
    ConfigStore store;
    store.setNumber("n", -42);
    EXPECT_EQ(store.getString("n"), "-42");
    store.setString("t", " 12kb");
    EXPECT_EQ(store.getNumber("t"), 12);
    store.setStringByNumber(-5, "minus five");
    EXPECT_EQ(store.getString("//_enum_/-5"), "minus five");
    EXPECT_EQ(store.getStringByNumber(3), "");
}

TEST(ConfigStore, EntriesStaySortedByFoldedBytes) {
    ConfigStore store;
    std::vector<std::string> keys;
    for (int i = 0; i < 3000; ++i)
        keys.push_back("Key" + std::to_string(i * 7919 % 3001));
    keys.push_back("\x82\xA0");
    std::shuffle(keys.begin(), keys.end(), std::mt19937(1));
    for (const std::string& key : keys)
        store.setString(key, key);
    ASSERT_EQ(store.count(), static_cast<int>(keys.size()));
    for (const std::string& key : keys)
        EXPECT_EQ(store.getString(key), key);
    std::vector<ConfigStore::Entry> entries = store.entries();
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(),
                               [](auto& a, auto& b) { return a.foldedKey < b.foldedKey; }));
    EXPECT_EQ(entries.back().key, "\x82\xA0");
}

TEST(ConfigStore, TextsEndAtTheirFirstNul) {
    ConfigStore store;
    store.setString(std::string_view("a\0x", 3), std::string_view("v\0w", 3));
    store.setString("a", "v");
    EXPECT_EQ(store.count(), 1);
    EXPECT_EQ(store.getString(std::string_view("a\0y", 3)), "v");
}

TEST(ConfigStore, RegisterDefaultExpandsPathVariables) {
    EnvironmentTable env("/opt/qv/quorvane", [](int) { return std::string(); });
    ConfigStore store(&env);
    store.registerDefault("dir", "$ARGV0$/data");
    store.registerDefault("raw", "$ARGV0$/data", ConfigStore::kRaw);
    EXPECT_EQ(store.getString("dir"), "/opt/qv/data");
    EXPECT_EQ(store.getString("raw"), "$ARGV0$/data");
    ConfigStore plain;
    plain.registerDefault("dir", "$ARGV0$/data");
    EXPECT_EQ(plain.getString("dir"), "$ARGV0$/data");
}

TEST(ConfigStore, ConcurrentWritersAndReaders) {
    ConfigStore store;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&store, t] {
            for (int i = 0; i < 2000; ++i) {
                std::string key = "k";
                key += std::to_string(i % 50);
                store.setString(key, std::string(static_cast<std::size_t>(i % 17 + t), 'x'));
                std::string value = store.getString(key);
                EXPECT_EQ(value.find_first_not_of('x'), std::string::npos);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(store.count(), 50);
}

}  // namespace
}  // namespace qv
