// The special folders and names of the machine, by the numeric codes the program
// stores: shell folders below 4096 (the desktop and the documents folder exist on
// Linux, the others are empty) and the program's own codes from 4096 up:
//
//   4097 temporary folder ($TMPDIR, else /tmp/), with a trailing "/"
//   4098 a temporary file name "t%07d.txt" in it (tick count modulo 10000000)
//   4099 Windows folder, 4100 system folder: empty on Linux
//   4101 computer name, 4102 user name (login name)
//   4103 $TEMP_QUICK when set and not empty, else the temporary folder
//   4104 a temporary file name in the folder of 4103
//
// Results are cp932 paths and names; what has no cp932 form gives "". On Windows the
// shell's known folders, GetTempPath and the Windows and system folders fill them,
// with "/" between folders.
//
// Threads: any thread. Reads the environment and the user's XDG configuration.
#pragma once

#include <string>

#include "platform/Clock.h"

namespace qv {

// Shell folder codes (CSIDL values) that have a place on Linux.
inline constexpr int kFolderDesktop = 0;
inline constexpr int kFolderPersonal = 5;
inline constexpr int kFolderDesktopDirectory = 16;
// The program's own codes.
inline constexpr int kFolderTemp = 4097;
inline constexpr int kFolderTempFileName = 4098;
inline constexpr int kFolderWindows = 4099;
inline constexpr int kFolderSystem = 4100;
inline constexpr int kFolderComputerName = 4101;
inline constexpr int kFolderUserName = 4102;
inline constexpr int kFolderQuickTemp = 4103;
inline constexpr int kFolderQuickTempFileName = 4104;

// The user's download folder (`xdg-user-dir DOWNLOAD`: user-dirs.dirs, else
// ~/Downloads), UTF-8 without a trailing "/".
std::string downloadFolder();

// The folder in which an installed program keeps its settings and lists, UTF-8 without
// a trailing "/": "$XDG_CONFIG_HOME/quorvane" (by default ~/.config/quorvane) on Linux,
// the user's application data folder's "Quorvane" (%APPDATA%\Quorvane) on Windows.
std::string userSettingsFolder();

// True when this user may create files in the UTF-8 `folder`.
bool canCreateFilesIn(const std::string& folder);

// The folder or name for `code`; "" when there is none. `clock` gives the tick
// count of the temporary file names (the system clock when null).
std::string specialFolderLocation(int code, Clock* clock = nullptr);

}  // namespace qv

// Exported C form: empties `buffer` (at least 1024 bytes), writes the result (cut to
// 1023 bytes on a character boundary) and returns 1.
extern "C" int m_GetSpecialFolderLocation(char* buffer, int code);
