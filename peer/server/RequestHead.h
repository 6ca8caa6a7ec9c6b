// The start of a connection, gathered until its request is whole. A client sends its
// request line and the 0 byte that ends it in one go, but TCP keeps no boundaries: a
// proxy, a PortN relay or a busy link may hand the line over in any number of pieces.
// The head keeps what came (undone with the connection key) until the 0 byte is there,
// and tells the listener what it has: nothing usable yet, a CONNECT preamble to answer
// as a proxy would, a whole request (with whatever followed its 0 byte), or bytes that
// can be no request.
//
// A speed-test stream begins with "DATA-REQ:" and carries no 0 byte: it counts as
// whole once those nine bytes are there.
//
// Threads: belongs to its connection slot, so to the listener thread.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "peer/protocol/ConnectionKey.h"

namespace qv {

class RequestHead {
  public:
    // The most bytes a request line may take before its 0 byte: as much as the
    // listener reads in one receive, which is what a line had to fit in before.
    static constexpr std::size_t kLongestLine = 1000000;
    // The most bytes of a CONNECT preamble up to its blank line.
    static constexpr std::size_t kLongestPreamble = 16384;

    enum class Step {
        Incomplete,  // wait for more
        Connect,     // a CONNECT preamble ended: answer it, then take({}) again
        Request,     // a whole request (or a stream's start) is in `request`
        NoRequest,   // too long without a 0 byte: these bytes hold no request
    };

    // Takes the bytes of one receive, undoing `key` over them in place (except for a
    // CONNECT preamble, which travels in clear). On Request or NoRequest `request`
    // shows the bytes to hand on: `bytes` themselves when they held the whole request,
    // else `joined`, which the caller keeps alive while it uses them. Empty `bytes`
    // look again at what is held (after a Connect).
    Step take(std::span<char> bytes, ConnectionKey& key, std::string& joined,
              std::string_view& request);

    // Bytes received and kept, waiting for the rest of their request.
    bool holdsBytes() const { return !line_.empty() || !preamble_.empty(); }
    // The connection's first two bytes, as received, were those of a TLS handshake
    // record: a program in the encrypted mode speaks here.
    bool beganWithTls() const { return firstBytes_ == "\x16\x03"; }

  private:
    Step takePreamble(std::span<char>& bytes);
    Step judge(std::string& joined, std::string_view& request);

    bool preambleDecided_ = false;
    std::string firstBytes_;    // up to two bytes, before the key is undone
    std::string preamble_;      // raw bytes while they may still begin a CONNECT preamble
    std::string line_;          // bytes of the request so far, key undone
    std::size_t searched_ = 0;  // bytes of line_ already looked through for the 0 byte
};

}  // namespace qv
