#include "model/WindowModel.h"

#include <cassert>
#include <cstdlib>

namespace qv {

const char* fieldName(Field field) {
    static const char* const names[kFieldCount] = {
        "peer",  "buf",       "auto", "list",    "tcp_current", "tcp_new",
        "portn", "published", "chat", "history", "tcp_figures"};
    return names[static_cast<int>(field)];
}

bool isUserField(Field field) {
    switch (field) {
        case Field::Peer:
        case Field::Buf:
        case Field::Auto:
        case Field::List:
        case Field::TcpNew:
        case Field::Chat:
            return true;
        default:
            return false;
    }
}

WindowView* WindowModel::view() const {
    assert(loop_.onOwnerThread());
    return view_;
}

void WindowModel::attach(WindowView* view) {
    assert(loop_.onOwnerThread());
    std::lock_guard lock(mutex_);
    view_ = view;
    // The new view starts empty: everything that is not empty is shown at once.
    pending_.clear();
    for (int i = 0; i < kFieldCount; ++i) {
        if (values_[i].empty()) continue;
        Change change(Change::Kind::Field);
        change.field = static_cast<Field>(i);
        change.text = values_[i];
        pending_.push_back(std::move(change));
    }
    for (Pane pane : {Pane::Upper, Pane::Lower}) {
        if (paneRef(pane).empty()) continue;
        Change change(Change::Kind::Pane);
        change.pane = pane;
        change.text = change.whole = paneRef(pane);
        pending_.push_back(std::move(change));
    }
    if (!title_.empty()) {
        Change title(Change::Kind::Title);
        title.text = title_;
        pending_.push_back(std::move(title));
    }
}

TransferProgress WindowModel::progress() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

void WindowModel::setProgress(TransferProgress progress) {
    std::lock_guard lock(mutex_);
    progress_ = std::move(progress);
}

std::string WindowModel::field(Field field) const {
    std::lock_guard lock(mutex_);
    return values_[static_cast<int>(field)];
}

long WindowModel::number(Field field) const {
    return std::atol(this->field(field).c_str());
}

void WindowModel::setField(Field field, std::string value) {
    std::lock_guard lock(mutex_);
    std::string& slot = values_[static_cast<int>(field)];
    if (slot == value && !fieldPending(field)) return;
    slot = value;
    Change change(Change::Kind::Field);
    change.field = field;
    change.text = std::move(value);
    pending_.push_back(std::move(change));
}

std::string WindowModel::title() const {
    std::lock_guard lock(mutex_);
    return title_;
}

void WindowModel::setTitle(std::string title) {
    std::lock_guard lock(mutex_);
    if (title_ == title) return;
    title_ = title;
    Change change(Change::Kind::Title);
    change.text = std::move(title);
    pending_.push_back(std::move(change));
}

void WindowModel::setStopEnabled(bool enabled) {
    std::lock_guard lock(mutex_);
    Change change(Change::Kind::Stop);
    change.flag = enabled;
    pending_.push_back(std::move(change));
}

void WindowModel::playSound(std::string path) {
    std::lock_guard lock(mutex_);
    Change change(Change::Kind::Sound);
    change.text = std::move(path);
    pending_.push_back(std::move(change));
}

std::string WindowModel::pane(Pane pane) const {
    std::lock_guard lock(mutex_);
    return pane == Pane::Upper ? upper_ : lower_;
}

void WindowModel::replacePane(Pane pane, std::string text) {
    changePane(pane, PaneOp::Replace, std::move(text));
}

void WindowModel::appendPane(Pane pane, std::string text) {
    changePane(pane, PaneOp::Append, std::move(text));
}

void WindowModel::prependPane(Pane pane, std::string text) {
    changePane(pane, PaneOp::Prepend, std::move(text));
}

void WindowModel::changePane(Pane pane, PaneOp op, std::string text) {
    std::lock_guard lock(mutex_);
    std::string& whole = paneRef(pane);
    switch (op) {
        case PaneOp::Replace:
            whole = text;
            break;
        case PaneOp::Append:
            whole += text;
            if (whole.size() > kPaneLimit) whole.erase(0, whole.size() - kPaneLimit);
            break;
        case PaneOp::Prepend:
            whole.insert(0, text);
            if (whole.size() > kPaneLimit) whole.resize(kPaneLimit);
            break;
    }
    Change change(Change::Kind::Pane);
    change.pane = pane;
    change.op = op;
    change.text = std::move(text);
    change.whole = whole;
    pending_.push_back(std::move(change));
}

bool WindowModel::fieldPending(Field field) const {
    for (const Change& change : pending_) {
        if (change.kind == Change::Kind::Field && change.field == field) return true;
    }
    return false;
}

void WindowModel::refresh() {
    if (loop_.onOwnerThread()) {
        flush();
    } else {
        loop_.post([this] { flush(); });
    }
}

void WindowModel::flush() {
    std::vector<Change> changes;
    WindowView* view;
    {
        std::lock_guard lock(mutex_);
        changes.swap(pending_);
        view = view_;
    }
    if (!view) return;
    for (const Change& change : changes) {
        switch (change.kind) {
            case Change::Kind::Field:
                view->showField(change.field, change.text);
                break;
            case Change::Kind::Pane:
                view->showPane(change.pane, change.op, change.text, change.whole);
                break;
            case Change::Kind::Title:
                view->showTitle(change.text);
                break;
            case Change::Kind::Stop:
                view->setStopEnabled(change.flag);
                break;
            case Change::Kind::Sound:
                view->playSound(change.text);
                break;
        }
    }
}

void WindowModel::readBack() {
    if (!loop_.onOwnerThread() || !view_) return;
    FieldValues typed;
    {
        std::lock_guard lock(mutex_);
        typed = values_;
    }
    view_->readFields(typed);
    std::lock_guard lock(mutex_);
    for (int i = 0; i < kFieldCount; ++i) {
        Field field = static_cast<Field>(i);
        if (isUserField(field) && !fieldPending(field)) values_[i] = typed[i];
    }
}

}  // namespace qv
