// The copies an LST check found outdated. A sender lists the files it is about to
// send; a listed file that this PC holds with another last-write time or size is
// answered "0" and its copy is marked "to be replaced" instead of being deleted at
// once. The file that then arrives for that path, complete and verified, takes the
// old copy's place just as if the check had freed the name: the resumable path
// stores it under the plain name whatever OVERWRITE says, and a whole file or a Pack
// record that the rename mode writes as "name(n).ext" removes the old copy once it is
// written. A file that never arrives whole leaves the old copy where it was.
//
// A mark belongs to the listed last-write time (a file of another time is handled by
// the overwrite rule alone) and lasts an hour, long enough for a long queue and the
// wait before the final check. At most kMaxMarks marks and kMaxPathBytes of paths are
// kept; beyond that the oldest go, so a peer that lists endlessly grows nothing.
//
// Threads: the listener thread; one set per listener.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>

#include "base/FileTime.h"

namespace qv {

class Clock;
class ReceiveFolder;

class ReplacementMarks {
  public:
    static constexpr std::size_t kMaxMarks = 65536;
    static constexpr std::size_t kMaxPathBytes = 8 * 1024 * 1024;
    static constexpr std::uint32_t kLifetimeMs = 60 * 60 * 1000;

    explicit ReplacementMarks(Clock& clock) : clock_(clock) {}
    ReplacementMarks(const ReplacementMarks&) = delete;
    ReplacementMarks& operator=(const ReplacementMarks&) = delete;

    // The copy at `path` (the receive folder's path and a prepared name) is outdated:
    // the listed file was last written at `written`. A new mark replaces an older one.
    void mark(const std::string& path, FileTime written);
    // True when a file last written at `written` (within a second) that arrives for
    // `path` replaces a marked copy there.
    bool marked(const std::string& path, FileTime written);
    // The file meant for the marked `plainPath` was stored at `storedPath`: the mark is
    // used up, and when the file went elsewhere (a "name(n).ext" of the rename mode)
    // the outdated copy at `plainPath` goes.
    void replaced(const ReceiveFolder& folder, const std::string& plainPath,
                  const std::string& storedPath);

  private:
    using Order = std::list<const std::string*>;  // the marked paths, oldest first
    struct Mark {
        FileTime written;
        std::uint32_t markedAt;
        Order::iterator place;
    };
    using Marks = std::unordered_map<std::string, Mark>;

    void dropExpired(std::uint32_t now);
    void drop(Marks::iterator mark);

    Clock& clock_;
    Marks marks_;
    Order order_;
    std::size_t pathBytes_ = 0;
};

}  // namespace qv
