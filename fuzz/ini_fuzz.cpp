// Feeds arbitrary bytes to the INI parser as the content of a settings file, saves
// the result and parses that again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/ConfigStore.h"
#include "base/EnvironmentTable.h"
#include "base/IniFile.h"

namespace {

std::string windowsFolders(int code) {
    switch (code) {
        case 0:
            return "C:\\Users\\u\\Desktop";
        case 4097:
            return "C:\\Temp\\";
        case 4099:
            return "C:\\WINDOWS";
        default:
            return "";
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const qv::EnvironmentTable env("C:\\Tools\\qv.exe", windowsFolders);
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qv::ConfigStore store(&env);
    qv::parseIni(store, bytes, 0);
    std::string saved = qv::formatIni(store, 0);
    qv::ConfigStore again(&env);
    qv::parseIni(again, saved, 0);
    if (again.count() > store.count()) __builtin_trap();
    qv::ConfigStore raw;
    qv::parseIni(raw, bytes, qv::ConfigStore::kRaw);
    return 0;
}
