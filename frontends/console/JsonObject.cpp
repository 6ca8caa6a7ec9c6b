#include "frontends/console/JsonObject.h"

#include <cmath>
#include <cstdio>

namespace qv::console {

std::string jsonString(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

JsonObject& JsonObject::raw(std::string_view key, std::string_view json) {
    if (!body_.empty()) body_ += ',';
    body_ += jsonString(key);
    body_ += ':';
    body_ += json;
    return *this;
}

JsonObject& JsonObject::add(std::string_view key, std::int64_t value) {
    return raw(key, std::to_string(value));
}

JsonObject& JsonObject::add(std::string_view key, double value) {
    if (!std::isfinite(value)) return raw(key, "null");
    char text[40];
    std::snprintf(text, sizeof text, "%.3f", value);
    return raw(key, text);
}

JsonObject& JsonObject::add(std::string_view key, bool value) {
    return raw(key, value ? "true" : "false");
}

JsonObject& JsonObject::add(std::string_view key, std::string_view utf8) {
    return raw(key, jsonString(utf8));
}

JsonObject& JsonObject::add(std::string_view key, const std::vector<std::int64_t>& values) {
    std::string list = "[";
    for (std::size_t i = 0; i < values.size(); ++i)
        list += (i ? "," : "") + std::to_string(values[i]);
    return raw(key, list + "]");
}

JsonObject& JsonObject::add(std::string_view key, const JsonObject& object) {
    return raw(key, object.text());
}

JsonObject& JsonObject::addAll(const JsonObject& other) {
    if (!body_.empty() && !other.body_.empty()) body_ += ',';
    body_ += other.body_;
    return *this;
}

}  // namespace qv::console
