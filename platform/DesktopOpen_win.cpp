// The Windows side of DesktopOpen.h: the shell's "open" verb.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "platform/DesktopOpen.h"
#include "platform/WideText.h"

namespace qv {

bool desktopPresent() {
    return true;
}

bool openWithDesktop(const std::string& target) {
    std::optional<std::wstring> wide = widen(target);
    if (!wide) return false;
    // Above 32 is success; the opener runs on by itself.
    auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide->c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

}  // namespace qv
