#include "peer/server/SlotControl.h"

#include <sys/socket.h>

#include <cassert>
#include <utility>

#include "net/SocketWaits.h"
#include "peer/server/ConnectionTable.h"
#include "peer/server/Listener.h"

namespace qv {

SlotControl::SlotControl(Listener& listener, int index) : listener_(listener), index_(index) {}

ConnectionSlot& SlotControl::slot() const {
    return listener_.table_.slot(index_);
}

SlotState& SlotControl::state() {
    return slot().state;
}

std::int64_t SlotControl::bytesReceived() const {
    return slot().bytesReceived;
}

bool SlotControl::reply(std::string_view bytes, std::uint32_t waitMs) {
    int socket = slot().socket;
    if (!waitWritable(listener_.services_.waits, socket, waitMs)) return false;
    return send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

void SlotControl::close() {
    if (!std::exchange(held_, false)) return;
    listener_.table_.closeSlot(index_, false);
}

void SlotControl::closeWithOk() {
    if (!std::exchange(held_, false)) return;
    listener_.table_.closeSlot(index_, true);
}

int SlotControl::detach() {
    if (!std::exchange(held_, false)) return -1;
    return listener_.table_.detachSlot(index_);
}

int SlotControl::socket() const {
    return held_ ? slot().socket : -1;
}

void SlotControl::release() {
    if (!std::exchange(held_, false)) return;
    listener_.table_.freeSlot(index_);
}

void SlotControl::waitForPayloadStore() {
    if (StoreAside* aside = listener_.storeAside()) aside->finish();
}

bool SlotControl::storesAside() {
    return listener_.storeAside() != nullptr;
}

void SlotControl::storeAside(StoreAside::Store store, StoreAside::Report report) {
    StoreAside* aside = listener_.storeAside();
    assert(aside);
    Listener* listener = &listener_;
    aside->start(std::move(store), std::move(report), [listener] { listener->wake(); });
}

ReplacementMarks& SlotControl::replacementMarks() {
    return listener_.replacementMarks_;
}

LstAnswerSends& SlotControl::lstAnswerSends() {
    return listener_.lstAnswerSends_;
}

PublicListAnswers::Added SlotControl::queuePublicListAnswer(const std::string& peerText) {
    return listener_.publicListAnswers_.add(peerText);
}

}  // namespace qv
