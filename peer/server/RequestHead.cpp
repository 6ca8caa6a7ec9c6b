#include "peer/server/RequestHead.h"

#include <algorithm>
#include <cstring>

#include "peer/protocol/RequestKind.h"

namespace qv {
namespace {

// True while `raw` may still be, or already is, the start of a CONNECT preamble.
bool mayBePreamble(std::string_view raw) {
    return raw.size() < kConnectPreamble.size() ? kConnectPreamble.starts_with(raw)
                                                : isConnectPreamble(raw);
}

bool holdsTerminator(std::string_view bytes) {
    return !bytes.empty() && std::memchr(bytes.data(), 0, bytes.size()) != nullptr;
}

bool opensStream(std::string_view line) {
    return line.starts_with(requestPrefix(RequestKind::Data));
}

}  // namespace

RequestHead::Step RequestHead::take(std::span<char> bytes, ConnectionKey& key, std::string& joined,
                                    std::string_view& request) {
    if (firstBytes_.size() < 2)
        firstBytes_.append(bytes.data(),
                           std::min<std::size_t>(bytes.size(), 2 - firstBytes_.size()));
    if (!preambleDecided_) {
        Step step = takePreamble(bytes);
        if (step == Step::NoRequest) {
            joined = std::move(preamble_);
            request = joined;
            return step;
        }
        if (step == Step::Incomplete) return step;
        // What follows a preamble, or bytes kept while they looked like one, begin the
        // request after all: the key covers them.
        line_.append(preamble_);
        preamble_.clear();
        key.unscramble(line_.data(), line_.size());
        if (step == Step::Connect) return step;
    }
    std::string_view view(bytes.data(), bytes.size());
    if (!bytes.empty()) key.unscramble(bytes.data(), bytes.size());
    if (line_.empty() && (holdsTerminator(view) || opensStream(view) || !mayBeginRequest(view))) {
        request = view;  // the whole request came in one piece: no copy
        return holdsTerminator(view) || opensStream(view) ? Step::Request : Step::NoRequest;
    }
    line_.append(view);
    bool whole = holdsTerminator(std::string_view(line_).substr(searched_)) || opensStream(line_);
    searched_ = line_.size();
    if (!whole && mayBeginRequest(line_) && line_.size() <= kLongestLine) return Step::Incomplete;
    joined = std::move(line_);
    line_.clear();
    searched_ = 0;
    request = joined;
    return whole ? Step::Request : Step::NoRequest;
}

// Decides whether the connection opens with a CONNECT preamble; Request means "not
// (or no longer) a preamble: go on with `bytes`", which may then be empty.
RequestHead::Step RequestHead::takePreamble(std::span<char>& bytes) {
    std::string_view view(bytes.data(), bytes.size());
    if (preamble_.empty() && !view.empty() && !mayBePreamble(view)) {
        preambleDecided_ = true;
        return Step::Request;
    }
    preamble_.append(view);
    bytes = {};
    if (!mayBePreamble(preamble_)) {
        preambleDecided_ = true;
        return Step::Request;
    }
    std::size_t end = preamble_.find("\r\n\r\n");
    if (end == std::string::npos) {
        return preamble_.size() > kLongestPreamble ? Step::NoRequest : Step::Incomplete;
    }
    // What follows the blank line is the first of the request, which the key covers.
    preambleDecided_ = true;
    preamble_.erase(0, end + 4);
    return Step::Connect;
}

}  // namespace qv
