// The main window's state: its value fields, the two log panes and the title.
//
// Handlers change the model from the window thread or the listener thread; refresh()
// hands the changes to the view on the window thread, in the order they were made
// (from another thread it posts the hand-over). readBack() copies what the user typed
// into the model, except fields with a change still on its way to the view, so a
// listener's update is never lost to a stale widget.
//
// Threads: every method is thread-safe; readBack() does something only on the window
// thread. The view is called only on the window thread and never under the lock.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "base/TransferProgress.h"
#include "model/WindowView.h"
#include "net/EventLoop.h"

namespace qv {

class WindowModel {
  public:
    // Panes keep at most this many bytes; older text is dropped.
    static constexpr std::size_t kPaneLimit = 1 << 20;

    explicit WindowModel(EventLoop& windowLoop) : loop_(windowLoop) {}

    // Window thread (debug builds assert it): connects the view; the whole state is
    // shown at the next refresh. view() hands it out to the window's commands.
    void attach(WindowView* view);
    WindowView* view() const;

    std::string field(Field field) const;
    long number(Field field) const;  // the field read as a number (atol)
    void setField(Field field, std::string value);

    std::string title() const;
    void setTitle(std::string title);
    void setStopEnabled(bool enabled);
    // Plays a sound file at the next refresh, in order with the other changes.
    void playSound(std::string path);

    // The file transfer's progress; the window reads it when it redraws.
    TransferProgress progress() const;
    void setProgress(TransferProgress progress);

    std::string pane(Pane pane) const;
    void replacePane(Pane pane, std::string text);
    void appendPane(Pane pane, std::string text);
    void prependPane(Pane pane, std::string text);

    // UpdateData(false): shows the pending changes.
    void refresh();
    // UpdateData(true): copies the user's edits into the model.
    void readBack();

  private:
    struct Change {
        enum class Kind { Field, Pane, Title, Stop, Sound };
        explicit Change(Kind k) : kind(k) {}
        Kind kind;
        Field field = Field::Peer;
        Pane pane = Pane::Upper;
        PaneOp op = PaneOp::Replace;
        std::string text;
        std::string whole;
        bool flag = false;
    };

    void flush();
    std::string& paneRef(Pane pane) { return pane == Pane::Upper ? upper_ : lower_; }
    void changePane(Pane pane, PaneOp op, std::string text);
    bool fieldPending(Field field) const;

    EventLoop& loop_;
    WindowView* view_ = nullptr;
    mutable std::mutex mutex_;
    FieldValues values_;
    std::string upper_, lower_, title_;
    TransferProgress progress_;
    std::vector<Change> pending_;
};

}  // namespace qv
