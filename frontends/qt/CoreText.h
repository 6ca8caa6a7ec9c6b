// The English face of the program core's lines in the window: the core's table
// (model/CoreText.h) read through Qt. A line the table knows as it stands is
// replaced; a line with figures, addresses or names is matched against the table's
// patterns, its parts coming back as they were (padding included). The core's own
// bytes never change.
//
// Threads: window thread (translators belong to the application).
#pragma once

#include <QString>
#include <QTranslator>
#include <memory>
#include <vector>

namespace qv::desktop {

// `line` (without its line end) in English; unchanged when the table has nothing for
// it.
QString translateCoreLine(const QString& line);

// The patterns' sources (UTF-8), in the order they are tried.
const std::vector<const char*>& coreLinePatterns();

// A translator whose context "Core" answers from the core's table, so that
// QCoreApplication::translate("Core", text) gives a whole text's English while it is
// installed.
std::unique_ptr<QTranslator> makeCoreTranslator();

}  // namespace qv::desktop
