#include "peer/server/LstAnswerSends.h"

#include "net/SocketCalls.h"

namespace qv {

bool LstAnswerSends::add(SocketHandle socket, std::string answer, const LstAnswerPace& pace) {
    std::lock_guard lock(mutex_);
    reapDone();
    if (ending_ || sends_.size() >= kMaxSending) {
        shutDownAndClose(socket);
        return false;
    }
    Send& send = sends_.emplace_back();
    LstAnswerPace own = pace;
    own.ending = &ending_;
    send.thread = std::thread([socket, answer = std::move(answer), own, &done = send.done] {
        sendLstAnswer(socket, answer, own);
        shutDownAndClose(socket);
        done = true;
    });
    return true;
}

void LstAnswerSends::finish() {
    ending_ = true;
    std::lock_guard lock(mutex_);
    for (Send& send : sends_)
        send.thread.join();
    sends_.clear();
    ending_ = false;
}

void LstAnswerSends::reapDone() {
    for (auto send = sends_.begin(); send != sends_.end();) {
        if (!send->done) {
            ++send;
            continue;
        }
        send->thread.join();
        send = sends_.erase(send);
    }
}

}  // namespace qv
