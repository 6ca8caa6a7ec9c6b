// The English face of the program core's lines. A line the "Core" table of the
// translation knows as it stands is replaced. A line with figures, addresses or names
// is matched against the table's patterns: in a pattern %1, %2... stand for those
// parts, which come back in the English line as they were (padding included); a part
// that the table knows as a whole text, such as a stop reason, is translated too.
// Trailing blanks stay as they were. The core's own bytes never change.
//
// Threads: window thread (translators belong to the application).
#pragma once

#include <QString>
#include <vector>

namespace qv::desktop {

// `line` (without its line end) in the installed translation; unchanged when the
// table has nothing for it.
QString translateCoreLine(const QString& line);

// The patterns' sources (UTF-8), in the order they are tried.
const std::vector<const char*>& coreLinePatterns();

}  // namespace qv::desktop
