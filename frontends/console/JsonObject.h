// A JSON object built field by field, in the order added: the console's --json and
// --json-stream output. New fields (for example TCP figures) are one more add().
//
// Threads: pure data; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::console {

class JsonObject {
  public:
    JsonObject& add(std::string_view key, std::int64_t value);
    JsonObject& add(std::string_view key, int value) {
        return add(key, static_cast<std::int64_t>(value));
    }
    JsonObject& add(std::string_view key, double value);
    JsonObject& add(std::string_view key, bool value);
    // `utf8` is escaped; bytes that are not valid UTF-8 must not be passed.
    JsonObject& add(std::string_view key, std::string_view utf8);
    JsonObject& add(std::string_view key, const char* utf8) {
        return add(key, std::string_view(utf8));
    }
    JsonObject& add(std::string_view key, const std::vector<std::int64_t>& values);
    JsonObject& add(std::string_view key, const JsonObject& object);
    // Every field of `other`, after those added so far.
    JsonObject& addAll(const JsonObject& other);

    // The object on one line, without a line end.
    std::string text() const { return "{" + body_ + "}"; }

  private:
    JsonObject& raw(std::string_view key, std::string_view json);
    std::string body_;
};

// `text` as a JSON string literal, quotes included.
std::string jsonString(std::string_view utf8);

}  // namespace qv::console
