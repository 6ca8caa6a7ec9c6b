// Text at the edge between the program (cp932 bytes) and the widgets (QString).
// The panes' "\r\n" line ends become "\n" for display.
//
// Threads: pure functions; any thread.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

namespace qv::desktop {

// cp932 → QString; bytes without a cp932 meaning show as replacement characters.
QString fromCp932(const std::string& cp932);
// The same, with "\r\n" turned into "\n" (pane and explanation texts).
QString displayText(const std::string& cp932);
// QString → cp932; characters without a cp932 form become "?".
std::string toCp932(const QString& text);
// A file-system path (UTF-8 on Linux) → cp932, or nothing when a character of it has
// no cp932 form (such a path cannot be named inside the program).
bool pathToCp932(const QString& path, std::string& cp932);
// A byte count with its unit: "512 B", "12.3 KB", "4.56 MB", "1.20 GB" (decimal).
QString sizeText(std::int64_t bytes);

}  // namespace qv::desktop
