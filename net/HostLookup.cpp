#include "net/HostLookup.h"

#ifndef _WIN32
#include <netdb.h>
#endif

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

#include "base/Cp932.h"
#include "net/PumpingLock.h"

namespace qv {
namespace {

// Serialises lookups over the whole process. Recursive, because a handler that runs
// nested inside a lookup's pumping may look a name up itself.
std::recursive_mutex& processLookupLock() {
    static std::recursive_mutex lock;
    return lock;
}

// Shared by the caller and the worker; the last of the two to let go frees it.
struct LookupCall {
    std::string name;
    HostResolver resolver;
    ResolvedHost result;  // valid once `done` is set
    std::atomic<bool> done{false};
};

bool startWorker(const std::shared_ptr<LookupCall>& call) {
    try {
        std::thread([call] {
            call->result = call->resolver(call->name);
            call->done.store(true, std::memory_order_release);
        }).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

}  // namespace

ResolvedHost resolveHost(const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos || !startNetworking()) return {};
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || list == nullptr) return {};
    ResolvedHost found;
    found.officialName = list->ai_canonname ? list->ai_canonname : name;
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        IpAddress address = addressOf(entry->ai_addr);
        if (address.empty()) continue;
        found.addresses.push_back(address);
        if (found.address == 0) found.address = address.v4();
    }
    ::freeaddrinfo(list);
    if (!found.found()) return {};
    return found;
}

HostLookup::HostLookup(Waits& waits, HostResolver resolver)
    : waits_(waits), resolver_(std::move(resolver)) {}

std::uint32_t HostLookup::lookup(const std::string& name, std::string* officialName,
                                 std::uint32_t timeoutMs) {
    ResolvedHost found = lookupCached(name, timeoutMs);
    if (officialName) *officialName = found.officialName;
    return found.address;
}

std::vector<IpAddress> HostLookup::lookupAll(const std::string& name, std::uint32_t timeoutMs) {
    if (std::optional<IpAddress> literal = parseIpAddress(name)) return {*literal};
    ResolvedHost found = lookupCached(name, timeoutMs);
    if (found.addresses.empty() && found.address != 0)
        found.addresses.push_back(IpAddress::fromV4(found.address));
    return found.addresses;
}

ResolvedHost HostLookup::lookupCached(const std::string& name, std::uint32_t timeoutMs) {
    PumpingLock turn(processLookupLock(), waits_);
    // The empty name matches the empty cache, so it is answered with nothing at once.
    if (name == cachedName_) return cached_;
    ResolvedHost found = resolveOnWorker(name, timeoutMs);
    remember(name, found);
    return found;
}

ResolvedHost HostLookup::resolveOnWorker(const std::string& name, std::uint32_t timeoutMs) {
    auto call = std::make_shared<LookupCall>();
    call->name = name;
    call->resolver = resolver_;
    if (!startWorker(call)) return {};
    waits_.pump(200);
    waits_.sleep(1);
    waits_.pump(200);
    for (std::uint64_t elapsed = 0;
         elapsed < timeoutMs && !call->done.load(std::memory_order_acquire); elapsed += 200) {
        waits_.responsiveWait(200);
    }
    // Timed out: the worker is left to finish on its own block.
    if (!call->done.load(std::memory_order_acquire)) return {};
    ResolvedHost found = call->result;
    if (!found.found()) return {};
    found.officialName.resize(safePrefixLength(found.officialName, kMaxOfficialName));
    return found;
}

// The cache is replaced as a whole once a lookup ends, so a lookup nested inside
// another one's wait never leaves a name paired with another name's address.
void HostLookup::remember(const std::string& name, const ResolvedHost& found) {
    if (!found.found()) {
        cachedName_.clear();
        cached_ = {};
        return;
    }
    cachedName_ = name;
    cached_ = found;
}

}  // namespace qv
