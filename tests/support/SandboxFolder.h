// A fresh temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace qv::test {

class SandboxFolder {
  public:
    SandboxFolder();
    ~SandboxFolder();
    SandboxFolder(const SandboxFolder&) = delete;
    SandboxFolder& operator=(const SandboxFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as a UTF-8 text with a trailing "/".
    std::string dir() const { return path_.string() + "/"; }
    // Writes `content` to the file `name` (UTF-8 relative name) and returns its path.
    std::filesystem::path write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const;

  private:
    std::filesystem::path path_;
};

// The path of a UTF-8 name. A plain std::string would be read in the C runtime's
// code page on Windows.
std::filesystem::path utf8Path(const std::string& name);

// The whole content of the file at `path` ("" when it cannot be read).
std::string readFileAt(const std::filesystem::path& path);

}  // namespace qv::test
