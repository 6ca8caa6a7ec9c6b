// Where log lines go: the main window's upper pane (replaced by a heading or appended
// to) and the front of the lower pane (results and chat, the newest on top). The
// program implements it; code below the program that only logs takes a LogSink&
// instead of the whole program.
//
// Threads: any thread (a line written off the window thread reaches the window as a
// posted refresh). Writing a line never runs other events.
#pragma once

#include <string>

namespace qv {

class LogSink {
  public:
    virtual void replaceLog(const std::string& text) = 0;
    virtual void appendLog(const std::string& text) = 0;
    virtual void prependResult(const std::string& text) = 0;

  protected:
    ~LogSink() = default;
};

}  // namespace qv
