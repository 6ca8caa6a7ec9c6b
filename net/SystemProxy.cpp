#include "net/SystemProxy.h"

#include "base/TextList.h"

namespace qv {
namespace {

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

std::string_view trimmed(std::string_view text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && lowerAscii(text.substr(0, prefix.size())) == prefix;
}

bool isHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

bool isHostName(std::string_view host) {
    if (host.empty()) return false;
    for (char c : host) {
        if (!isHostCharacter(c)) return false;
    }
    return true;
}

bool isPort(std::string_view port) {
    if (port.empty() || port.size() > 5) return false;
    long value = 0;
    for (char c : port) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

// The first of the two variables that is set.
std::string eitherVariable(const EnvironmentReader& variables, const char* lower,
                           const char* upper) {
    std::string value = variables(lower);
    return value.empty() ? variables(upper) : value;
}

// An entry of no_proxy without its ":port", lower case.
std::string noProxyEntry(std::string_view entry) {
    entry = trimmed(entry);
    std::size_t colon = entry.find(':');
    if (colon != std::string_view::npos) entry = entry.substr(0, colon);
    return lowerAscii(entry);
}

bool entryNames(const std::string& entry, const std::string& host) {
    if (entry == "*") return true;
    if (entry.size() > 1 && entry[0] == '.') {
        return host.size() > entry.size() && host.ends_with(entry);
    }
    return !entry.empty() && host == entry;
}

}  // namespace

std::string proxyFromVariable(std::string_view value) {
    value = trimmed(value);
    if (startsWithIgnoringCase(value, "http://")) {
        value.remove_prefix(7);
    } else if (value.find("://") != std::string_view::npos) {
        return {};  // a scheme the client cannot speak to a proxy
    }
    value = value.substr(0, value.find('/'));
    std::size_t at = value.rfind('@');
    if (at != std::string_view::npos) value.remove_prefix(at + 1);
    std::size_t colon = value.find(':');
    std::string_view host = value.substr(0, colon);
    if (!isHostName(host)) return {};
    if (colon == std::string_view::npos || colon + 1 == value.size()) return std::string(host);
    std::string_view port = value.substr(colon + 1);
    if (!isPort(port)) return {};
    return std::string(value);
}

std::string systemProxy(const EnvironmentReader& variables) {
    return proxyFromVariable(eitherVariable(variables, kProxyVariable, kProxyVariableUpper));
}

bool bypassesProxy(std::string_view noProxy, std::string_view host) {
    std::string lowerHost = lowerAscii(trimmed(host));
    if (lowerHost.empty()) return false;
    TextList entries(noProxy, ",");
    for (int i = 0; i < entries.count(); ++i) {
        if (entryNames(noProxyEntry(entries[i]), lowerHost)) return true;
    }
    return false;
}

std::string systemProxyFor(const EnvironmentReader& variables, std::string_view host) {
    std::string proxy = systemProxy(variables);
    if (proxy.empty()) return {};
    std::string noProxy = eitherVariable(variables, kNoProxyVariable, kNoProxyVariableUpper);
    return bypassesProxy(noProxy, host) ? std::string() : proxy;
}

std::string proxyFromServerList(std::int64_t enabled, std::string_view serverList) {
    if (enabled == 0 || serverList.empty()) return {};
    TextList entries(serverList, ";");
    std::string_view chosen;
    if (entries.count() == 1) {
        chosen = entries[0];
    } else {
        for (int i = 0; i < entries.count() && chosen.empty(); ++i) {
            if (startsWithIgnoringCase(entries[i], "http=")) chosen = entries[i];
        }
    }
    if (startsWithIgnoringCase(chosen, "http=")) chosen.remove_prefix(5);
    return std::string(chosen);
}

}  // namespace qv
