// Host-name lookup with a time-out, for callers that must not freeze the window on a
// name server that does not answer.
//
// The lookup runs on a short-lived worker thread while the caller keeps pumping its
// events. A worker that does not finish in time is detached: it works on its own
// shared parameter block, so its late result reaches neither the caller nor the
// cache.
//
// Each HostLookup (one per running program) remembers the last successful lookup:
// asking for the same name again answers at once without a resolver call. A failed
// or timed-out lookup is not remembered and is tried again next time.
//
// Threads: lookup() may be called from any thread that may wait; it pumps the calling
// thread's event loop through Waits, so handlers run nested inside it (a nested
// lookup on the same thread is allowed). Lookups are serialised process-wide: one at
// a time over all HostLookup objects, as the system resolver of old was not
// re-entrant; a caller waiting for its turn keeps pumping. The resolver runs on the
// worker: it must not touch the caller's state or the window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/IpAddress.h"
#include "net/Waits.h"

namespace qv {

struct ResolvedHost {
    ResolvedHost() = default;
    ResolvedHost(std::uint32_t first, std::string official, std::vector<IpAddress> all = {})
        : address(first), officialName(std::move(official)), addresses(std::move(all)) {}

    std::uint32_t address = 0;  // first IPv4 address, network byte order; 0: none
    std::string officialName;   // the host's canonical name; empty when not found
    // Every address, IPv6 and IPv4, in the resolver's order. A resolver that fills
    // in only `address` stands for that one address.
    std::vector<IpAddress> addresses;

    bool found() const { return address != 0 || !addresses.empty(); }
};

// Looks a name up; blocking. Must be safe to run on a detached thread.
using HostResolver = std::function<ResolvedHost(const std::string& name)>;

// The system resolver: getaddrinfo for IPv6 and IPv4, the official name from
// ai_canonname (the name itself when the system gives none). An empty name, or one
// holding a NUL byte, is not looked up.
ResolvedHost resolveHost(const std::string& name);

class HostLookup {
  public:
    // The longest official name handed out, in bytes (what a 1000-byte buffer held).
    static constexpr std::size_t kMaxOfficialName = 999;

    explicit HostLookup(Waits& waits, HostResolver resolver = resolveHost);
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    // The first IPv4 address of `name` in network byte order, or 0 when it cannot be
    // resolved within about `timeoutMs` (rounded up to a multiple of 200 ms; even a
    // time-out of 0 gives the worker a 1 ms start). `officialName`, when given,
    // receives the official name ("" on failure). An empty name gives 0 at once.
    std::uint32_t lookup(const std::string& name, std::string* officialName,
                         std::uint32_t timeoutMs);

    // Every address of `name` in the resolver's order (IPv4-only hosts give their
    // IPv4 addresses), with the same cache and time-out as lookup(); empty when the
    // name cannot be resolved in time. An address literal (dotted IPv4, IPv6 bare or
    // in brackets, with a zone) is answered as it is, without a lookup.
    std::vector<IpAddress> lookupAll(const std::string& name, std::uint32_t timeoutMs);

  private:
    ResolvedHost lookupCached(const std::string& name, std::uint32_t timeoutMs);
    ResolvedHost resolveOnWorker(const std::string& name, std::uint32_t timeoutMs);
    void remember(const std::string& name, const ResolvedHost& found);

    Waits& waits_;
    HostResolver resolver_;
    // The last successful lookup; all empty/0 when none. Guarded by the process lock.
    std::string cachedName_;
    ResolvedHost cached_;
};

}  // namespace qv
