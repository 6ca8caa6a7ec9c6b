// The program's stand-in for the system registry: named values under a root, read,
// written and deleted by a textual path, kept in a small file of its own beside the
// program.
//
// Paths: a root name ("HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", and the other five
// classic roots) and a path whose last "\" (cp932 aware) parts the key path from the
// value name, e.g. "SOFTWARE\Quorvane\Defaults\tcp_rmem". Paths compare without regard
// to letter case; root names are exact. An unknown root, or an empty path, reads as
// missing and takes no writes.
//
// Values written by text:
//   "(I)65535"       a 32-bit number (the decimal text after the prefix; "(I)4294967295"
//                    wraps to -1 like a DWORD read as signed)
//   "(B)0a 1b 2c"    binary data: one byte per two hexadecimal digits at every third
//                    character after the prefix; a value with anything else there is
//                    refused
//   any other text   a string
//
// Reading gives the text and a number: a string gives its text and its first four bytes
// as a little-endian number; binary data the same over its bytes (the text up to the
// first NUL byte); a number gives its decimal text and itself. A missing value reads
// as "" and 0.
//
// Two values are not kept but answered from the caller's proxy query: ProxyEnable (1
// when the system proxy is set, else 0) and ProxyServer (the proxy "host:port") under
// "HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings\".
// Writing or deleting them changes nothing.
//
// The file is an INI file (path variables left alone): one section per root, one line
// "key path\value name=value" per value, the value tagged "(S)", "(I)" or "(B)"; in
// strings "%", CR and LF are written as "%25", "%0D" and "%0A". The file is read when
// the store is made and written after every change. Paths the file cannot carry (with
// "=", CR or LF, beginning with "[", "#" or ";", ending in a blank, or too long) are
// refused: the write changes nothing.
//
// Threads: every method may be called from any thread (one lock per store). Two stores
// on one file do not see each other's changes; make one where it is needed and drop it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace qv {

class ConfigStore;

// The system proxy as "host:port", "" when none is set.
using ProxyQuery = std::function<std::string()>;

// What the program names its store file: the program's path without extension + this.
inline constexpr const char* kValueStoreExtension = ".values";

inline constexpr const char* kRootCurrentUser = "HKEY_CURRENT_USER";
inline constexpr const char* kRootLocalMachine = "HKEY_LOCAL_MACHINE";
inline constexpr const char* kProxyEnablePath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ProxyEnable";
inline constexpr const char* kProxyServerPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ProxyServer";

class ValueStore {
  public:
    // `filePath` is cp932; a missing or unreadable file starts an empty store. `proxy`
    // answers the two proxy values (none given: no proxy).
    ValueStore(std::string filePath, ProxyQuery proxy);
    ~ValueStore();
    ValueStore(const ValueStore&) = delete;
    ValueStore& operator=(const ValueStore&) = delete;

    // True for the seven root names.
    static bool isRootName(std::string_view root);

    // Either output may be null. Returns 0.
    int read(std::string_view root, std::string_view path, std::string* text,
             std::int32_t* number) const;
    // Returns 0.
    int write(std::string_view root, std::string_view path, std::string_view value);
    // Removes the value the path names; a path ending in "\" (no value name) removes
    // the key with every value and key below it. Returns 0.
    int remove(std::string_view root, std::string_view path);

  private:
    bool answerFromEnvironment(std::string_view root, std::string_view path, std::string* text,
                               std::int32_t* number) const;
    void save();

    std::string filePath_;
    ProxyQuery proxy_;
    mutable std::mutex mutex_;
    std::unique_ptr<ConfigStore> values_;
};

}  // namespace qv
