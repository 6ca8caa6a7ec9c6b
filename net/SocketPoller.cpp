#include "net/SocketPoller.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace qv {
namespace {

bool openWake(SocketHandle& readEnd, SocketHandle& writeEnd) {
    SocketHandle ends[2] = {kNoSocket, kNoSocket};
#ifdef _WIN32
    if (!localSocketPair(ends)) return false;
    setNonBlocking(ends[0], true);
    setNonBlocking(ends[1], true);
#else
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
#endif
    readEnd = ends[0];
    writeEnd = ends[1];
    return true;
}

}  // namespace

SocketPoller::SocketPoller() {
    openWake(wakeRead_, wakeWrite_);
    clear();
}

SocketPoller::~SocketPoller() {
    // On Linux the ends are a pipe's, which close() closes as it does a socket.
    closeSocketHandle(wakeRead_);
    closeSocketHandle(wakeWrite_);
}

void SocketPoller::wake() {
    if (!isValidSocket(wakeWrite_)) return;
    // A full wake-up already wakes the poller: a byte that does not fit is not needed.
    char mark = 'w';
#ifdef _WIN32
    ::send(wakeWrite_, &mark, 1, 0);
#else
    [[maybe_unused]] ssize_t written = ::write(wakeWrite_, &mark, 1);
#endif
}

void SocketPoller::drainWake() {
    char bytes[64];
#ifdef _WIN32
    while (::recv(wakeRead_, bytes, sizeof bytes, 0) > 0) {
    }
#else
    while (::read(wakeRead_, bytes, sizeof bytes) > 0) {
    }
#endif
}

void SocketPoller::clear() {
    entries_.assign(1, PollEntry{});
    entries_[0].fd = wakeRead_;
    entries_[0].events = POLLIN;
}

std::size_t SocketPoller::add(SocketHandle socket, short events) {
    PollEntry entry{};
    entry.fd = socket;
    entry.events = events;
    entries_.push_back(entry);
    return entries_.size() - 2;
}

int SocketPoller::wait(int timeoutMs) {
    for (PollEntry& entry : entries_)
        entry.revents = 0;
    int ready = pollSockets(entries_.data(), entries_.size(), timeoutMs);
    woken_ = ready > 0 && (entries_[0].revents & POLLIN) != 0;
    if (woken_) {
        drainWake();
        --ready;
    }
    return ready;
}

short SocketPoller::events(std::size_t index) const {
    return index + 1 < entries_.size() ? entries_[index + 1].revents : 0;
}

}  // namespace qv
