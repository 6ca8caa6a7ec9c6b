// The About box "ﾊﾞｰｼﾞｮﾝ情報": the program's name and version, its licence, the
// project page as a link, "HP" (the project page in the browser), "ﾏﾆｭｱﾙを開く" (the
// manual beside the program: the program's path without extension plus ".txt") and a
// close button.
//
// Threads: window thread only.
#pragma once

#include "base/Version.h"

#include <QDialog>
#include <functional>
#include <string>

namespace qv::desktop {

// The address that "HP" opens.
inline constexpr const char* kHomePage = kProjectUrl;

class AboutDialog final : public QDialog {
  public:
    // `open` hands a target (cp932 path or web address) to the desktop.
    AboutDialog(const std::string& manualPath, std::function<void(const std::string&)> open,
                QWidget* parent);
};

}  // namespace qv::desktop
