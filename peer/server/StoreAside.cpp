#include "peer/server/StoreAside.h"

#include <utility>

namespace qv {

StoreAside::~StoreAside() {
    if (worker_.joinable()) worker_.join();
}

void StoreAside::start(Store store, Report report, std::function<void()> wake) {
    finish();
    done_ = false;
    report_ = std::move(report);
    worker_ = std::thread([this, store = std::move(store), wake = std::move(wake)] {
        result_ = store();
        done_ = true;
        if (wake) wake();
    });
}

void StoreAside::finishDone() {
    if (worker_.joinable() && done_) finish();
}

void StoreAside::finish() {
    if (!worker_.joinable()) return;
    worker_.join();
    Report report = std::move(report_);
    report_ = nullptr;
    if (report) report(result_);
    result_ = StoreResult{};
}

}  // namespace qv
