// Feeds arbitrary bytes to what the HTTP client reads from a server and from the
// environment: the reply header and its end, the address in an echo page, URLs, proxy
// variables and no_proxy lists.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/ConfigStore.h"
#include "net/HttpMessage.h"
#include "net/HttpUrl.h"
#include "net/SystemProxy.h"
#include "net/WanAddress.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::size_t bodyStart = 0;
    std::string_view header = bytes;
    if (qv::findHeaderEnd(bytes, bodyStart)) {
        if (bodyStart > bytes.size()) __builtin_trap();
        header = bytes.substr(0, bodyStart);
    }
    qv::ConfigStore headers;
    qv::parseResponseHeader(header, headers);
    if (qv::addressInEchoPage(bytes).size() >= 20) __builtin_trap();

    qv::UrlParts url = qv::parseUrl(bytes, "80");
    if (url.port.empty()) __builtin_trap();
    qv::proxyFromVariable(bytes);
    qv::bypassesProxy(bytes, url.host);
    qv::proxyFromServerList(1, bytes);
    return 0;
}
