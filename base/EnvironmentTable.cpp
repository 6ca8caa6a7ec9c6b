#include "base/EnvironmentTable.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/PathParts.h"
#include "base/TextUtil.h"
#include "platform/FolderLocations.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// The shell folders and the program's codes, with the entries they fill.
constexpr std::array<std::pair<int, int>, 15> kFolderEntries = {{
    {900010, 0},     // desktop
    {900011, 2},     // programs menu
    {900012, 5},     // personal documents
    {900013, 6},     // favourites
    {900014, 7},     // start-up
    {900015, 8},     // recent documents
    {900016, 9},     // send-to
    {900017, 11},    // start menu
    {900018, 16},    // desktop directory
    {900019, 4097},  // temporary folder
    {900020, 4103},  // quick temporary folder
    {900021, 4099},  // Windows folder
    {900022, 4100},  // system folder
    {900023, 4101},  // computer name
    {900024, 4102},  // user name
}};

struct Variable {
    std::string_view name;
    int entry;
};

// Expansion order.
constexpr std::array<Variable, 7> kExpandOrder = {{
    {"$ARGV0$", EnvironmentTable::kProgramDir},
    {"$M_ARGV0_DIR", EnvironmentTable::kProgramDir},
    {"$DESKTOP$", EnvironmentTable::kDesktop},
    {"$TEMPDIR$", EnvironmentTable::kTempFolder},
    {"$WINDIR$", EnvironmentTable::kWindowsFolder},
    {"$WINDRIVE$", EnvironmentTable::kWindowsDrive},
    {"$PROGRAM$", EnvironmentTable::kProgramFiles},
}};

// Collapse order: the drive before the program-files folder.
constexpr std::array<Variable, 6> kCollapseOrder = {{
    {"$ARGV0$", EnvironmentTable::kProgramDir},
    {"$DESKTOP$", EnvironmentTable::kDesktop},
    {"$TEMPDIR$", EnvironmentTable::kTempFolder},
    {"$WINDIR$", EnvironmentTable::kWindowsFolder},
    {"$WINDRIVE$", EnvironmentTable::kWindowsDrive},
    {"$PROGRAM$", EnvironmentTable::kProgramFiles},
}};

// The path up to its last folder separator ("\" or "/"), or the whole path when it
// has none.
std::string cutAtLastSeparator(std::string_view path) {
    std::ptrdiff_t cut = std::max(findLast(path, "\\"), findLast(path, "/"));
    return std::string(cut < 0 ? path : path.substr(0, static_cast<std::size_t>(cut)));
}

}  // namespace

EnvironmentTable::EnvironmentTable(std::string_view programPath)
    : EnvironmentTable(programPath, [](int code) { return specialFolderLocation(code); }) {}

EnvironmentTable::EnvironmentTable(std::string_view programPath,
                                   const SpecialFolderQuery& folders) {
    fillProgramEntries(programPath);
    fillFolderEntries(folders);
}

void EnvironmentTable::fillProgramEntries(std::string_view programPath) {
    PathParts parts = splitPath(programPath);
    store_.setStringByNumber(900001, J("■■■環境変数1 __argv[0]より■■■"));
    store_.setStringByNumber(kProgramPath, programPath);
    store_.setStringByNumber(kIniPath, parts.stem + ".ini");
    store_.setStringByNumber(kProgramName, parts.name);
    store_.setStringByNumber(kProgramFileName, parts.fileName);
    store_.setStringByNumber(kProgramFolder, parts.folder);
    store_.setStringByNumber(kProgramStem, parts.stem);
    store_.setStringByNumber(kProgramDir, cutAtLastSeparator(programPath));
}

void EnvironmentTable::fillFolderEntries(const SpecialFolderQuery& folders) {
    store_.setStringByNumber(900009, J("■■■環境変数2 各種フォルダ■■■"));
    for (auto [entry, code] : kFolderEntries)
        store_.setStringByNumber(entry, folders(code));
    std::string windows = value(kWindowsFolder);
    // Without a Windows folder (Linux) there is no program-files folder either;
    // "Program Files" alone would turn every such text into "$PROGRAM$".
    std::string programFiles = windows.empty() ? "" : windows.substr(0, 3) + "Program Files";
    store_.setStringByNumber(kProgramFiles, programFiles);
    store_.setStringByNumber(kWindowsDrive, windows.substr(0, 2));
    store_.setStringByNumber(900027, J("■■■環境変数定義終了■■■"));
}

std::string EnvironmentTable::expand(std::string_view text, bool* truncated) const {
    std::string result(text);
    bool cut = false;
    for (const Variable& variable : kExpandOrder) {
        bool stepCut = false;
        result = replaceAllBounded(result, variable.name, value(variable.entry), kReplaceLimit,
                                   &stepCut);
        cut = cut || stepCut;
    }
    if (truncated) *truncated = cut;
    return result;
}

std::string EnvironmentTable::collapse(std::string_view text) const {
    std::string result(text);
    for (const Variable& variable : kCollapseOrder) {
        result = replaceAllBounded(result, value(variable.entry), variable.name, kReplaceLimit);
    }
    return result;
}

}  // namespace qv
