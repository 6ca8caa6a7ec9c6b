#include "platform/OwnExecutable.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/WideText.h"
#else
#include <filesystem>
#endif

namespace qv {

#ifdef _WIN32
std::string ownExecutablePath() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return {};
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        name.resize(name.size() * 2);  // cut off: try a longer buffer
    }
    for (wchar_t& c : name)
        if (c == L'\\') c = L'/';
    return narrow(name).value_or(std::string());
}
#else
std::string ownExecutablePath() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).string();
}
#endif

}  // namespace qv
