// Base64 (RFC 4648): the standard alphabet, "=" padding, no line breaks. Used for the
// proxy's Basic authorization and the PortN identity.
//
// Pure function; callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// Four characters for every started group of three bytes.
std::string base64Encode(std::string_view bytes);

}  // namespace qv
