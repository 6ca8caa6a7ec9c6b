// The environment table: the program's own paths, the special folders and names of
// the machine, in a store under numeric keys 900001-900027, and the path variables
// built on them.
//
// Path variables make stored paths independent of the machine. Expanding replaces,
// in this order, "$ARGV0$" and "$M_ARGV0_DIR" (the program's folder without trailing
// separator), "$DESKTOP$", "$TEMPDIR$", "$WINDIR$", "$WINDRIVE$" and "$PROGRAM$" by
// their values; collapsing replaces the values by the variables in the order
// program folder, desktop, temporary folder, Windows folder, Windows drive, program
// files ("$M_ARGV0_DIR" is never produced). The order is part of the INI format: with
// Windows on drive C:, "C:\Program Files\x" collapses to "$WINDRIVE$\Program Files\x".
// Each step is a replace-all that does not rescan what it inserted; a value that is
// empty (nothing was found) replaces nothing. Results are cut at 10900 bytes.
//
// The table is filled once, at construction, and never changes afterwards.
//
// Threads: built on one thread; afterwards every method may be called from any
// thread. The folder query runs only inside the constructor, on the constructing
// thread; it must not use the table being built.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/ConfigStore.h"

namespace qv {

// The folder or name for a special-folder code (shell folders below 4096, the
// program's own codes from 4097 up); "" when there is none.
using SpecialFolderQuery = std::function<std::string(int code)>;

class EnvironmentTable {
  public:
    // Entry numbers of the table.
    static constexpr int kProgramPath = 900002;      // full path of the executable
    static constexpr int kIniPath = 900003;          // full path without extension + ".ini"
    static constexpr int kProgramName = 900004;      // file name without extension
    static constexpr int kProgramFileName = 900005;  // file name with extension
    static constexpr int kProgramFolder = 900006;    // folder with its trailing separator
    static constexpr int kProgramStem = 900007;      // full path without extension
    static constexpr int kProgramDir = 900008;       // folder without trailing separator
    static constexpr int kDesktop = 900010;
    static constexpr int kTempFolder = 900019;
    static constexpr int kQuickTempFolder = 900020;
    static constexpr int kWindowsFolder = 900021;
    static constexpr int kSystemFolder = 900022;
    static constexpr int kComputerName = 900023;
    static constexpr int kUserName = 900024;
    static constexpr int kProgramFiles = 900025;  // Windows drive root + "Program Files"
    static constexpr int kWindowsDrive = 900026;  // e.g. "C:"

    // `programPath` is the executable's full cp932 path (on Linux absolute, beginning
    // with "/"; "/" and "\" both separate folders). The special folders come from
    // `folders`; the constructor without it asks the machine (specialFolderLocation).
    explicit EnvironmentTable(std::string_view programPath);
    EnvironmentTable(std::string_view programPath, const SpecialFolderQuery& folders);

    // The value of entry `number` ("" when it has none).
    std::string value(int number) const { return store_.getStringByNumber(number); }
    const ConfigStore& store() const { return store_; }

    std::string expand(std::string_view text, bool* truncated = nullptr) const;
    std::string collapse(std::string_view text) const;

  private:
    void fillProgramEntries(std::string_view programPath);
    void fillFolderEntries(const SpecialFolderQuery& folders);

    ConfigStore store_;
};

}  // namespace qv
