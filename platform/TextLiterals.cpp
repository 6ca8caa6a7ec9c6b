// J(), shared by both sides of TextCodec.h.
#include <mutex>
#include <unordered_map>

#include "platform/TextCodec.h"

namespace qv {

const std::string& J(const char* utf8Literal) {
    static std::mutex mutex;
    static std::unordered_map<const char*, std::string> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(utf8Literal);
    if (it == cache.end()) {
        it = cache.emplace(utf8Literal, utf8ToCp932Lossy(utf8Literal)).first;
    }
    return it->second;
}

}  // namespace qv
