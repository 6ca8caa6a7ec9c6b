#include "peer/server/SlotControl.h"

#include <cassert>
#include <utility>

#include "net/SocketCalls.h"
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
    SocketHandle socket = slot().socket;
    if (!waitWritable(listener_.services_.waits, socket, waitMs)) return false;
    return sendSome(socket, bytes.data(), bytes.size()) == static_cast<long>(bytes.size());
}

void SlotControl::close() {
    if (!std::exchange(held_, false)) return;
    listener_.table_.closeSlot(index_, false);
}

void SlotControl::closeWithOk() {
    if (!std::exchange(held_, false)) return;
    listener_.table_.closeSlot(index_, true);
}

SocketHandle SlotControl::detach() {
    if (!std::exchange(held_, false)) return kNoSocket;
    return listener_.table_.detachSlot(index_);
}

SocketHandle SlotControl::socket() const {
    return held_ ? slot().socket : kNoSocket;
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
