// The INI file of the settings: load into and save from a ConfigStore.
//
// Format (cp932, or UTF-16LE when the content holds a NUL byte; a byte-order mark is
// dropped). Lines end at CR LF, CR or LF. A line beginning with "#" or ";" is a
// comment (no blanks are skipped before the test). "[name]" starts a section (text
// after "]" is ignored; "[" without "]" changes nothing); keys before the first
// section belong to the empty section. Any other line is "key=value": the key is the
// text before the first "=" with up to two trailing spaces and then up to two trailing
// tabs removed (leading blanks are kept); the value starts after "=" with all spaces
// and tabs skipped and keeps its trailing blanks. Each line is stored under
// "//ini/<section>/<key>"; a later line with the same key (compared folded) wins.
// Lines without "=" are ignored.
//
// Saving writes every "//ini/" entry, with CR LF line ends: the keys of the empty
// section first and without a header, then the other sections in ascending order of
// their folded keys, each headed "[section]" as its first key spells it. Other
// entries, comments and the order of the loaded file are not kept.
//
// Path variables are expanded in loaded values and collapsed in saved values through
// the store's environment table, unless the flags hold ConfigStore::kRaw.
//
// Limits (what a line or an entry may hold so that what loads can be saved back):
// section names up to 999 bytes, keys up to 1999 bytes, the whole path and the value
// up to 2999 bytes. Loading refuses a line beyond them (and, after an over-long
// section header, every key up to the next valid header) and one whose expanded value
// would pass 10900 bytes; saving skips such entries and those that the format cannot
// carry: CR or LF anywhere, "=" in a key, a key beginning with "[", "#" or ";", "]" in
// a section name, a path under "//ini/" without a "/" after the section.
//
// Threads: any thread; the store serialises its own access.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

class ConfigStore;

inline constexpr std::size_t kIniMaxSection = 999;
inline constexpr std::size_t kIniMaxKey = 1999;
inline constexpr std::size_t kIniMaxPath = 2999;
inline constexpr std::size_t kIniMaxValue = 2999;

// Parses the bytes of an INI file into the store. Returns the number of lines stored.
int parseIni(ConfigStore& store, std::string_view bytes, int flags);

// Loads the INI file at `path` (cp932). A file that cannot be read leaves the store as
// it was (its defaults). Returns 0.
int loadIni(ConfigStore& store, std::string_view path, int flags);

// The text of the INI file for the store.
std::string formatIni(const ConfigStore& store, int flags);

// Writes the store to the INI file at `path`. Returns 0, or -1 when the file cannot
// be written.
int saveIni(const ConfigStore& store, std::string_view path, int flags);

// What loading gives back for a value saved as `value`: blanks (spaces, tabs) at its
// start are dropped. A value typed by the user is checked against it before it is
// stored, so that it cannot change silently across a restart.
std::string_view valueAsLoaded(std::string_view value);

}  // namespace qv
