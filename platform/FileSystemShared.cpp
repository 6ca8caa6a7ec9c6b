#include "platform/FileSystemShared.h"

#include <algorithm>
#include <functional>

#include "base/Cp932.h"
#include "platform/NameForms.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// "\" -> "/", stepping over two-byte characters so that a trail byte 0x5C stays.
std::string withSlashes(std::string_view path) {
    std::string out(path);
    for (std::size_t pos = 0; pos < out.size();) {
        std::size_t len = charLength(out, pos);
        if (len == 1 && out[pos] == '\\') out[pos] = '/';
        pos += len;
    }
    return out;
}

// A path whose names hold Windows forms (NameForms.h): a name that is not on disk as it
// is but is in the other forms is taken in those, so the file keeps its own name.
std::string existingForm(const std::string& path) {
    std::string out;
    for (std::size_t pos = 0; pos <= path.size();) {
        std::size_t slash = std::min(path.find('/', pos), path.size());
        std::string_view name = std::string_view(path).substr(pos, slash - pos);
        std::string candidate = out + std::string(name);
        if (hasWindowsForms(name) && !existsOnDisk(candidate)) {
            std::string other = out + otherForms(name);
            if (existsOnDisk(other)) candidate = std::move(other);
        }
        out = std::move(candidate);
        if (slash < path.size()) out += '/';
        pos = slash + 1;
    }
    return out;
}

}  // namespace

// ---- File ----

File::~File() {
    close();
}

File::File(File&& other) noexcept : fd_(other.fd_), error_(other.error_) {
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        error_ = other.error_;
        other.fd_ = -1;
    }
    return *this;
}

// ---- names ----

std::optional<std::string> systemForm(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) return std::nullopt;
    return cp932ToUtf8(withSlashes(path));
}

std::optional<std::string> toSystemPath(std::string_view path) {
    std::optional<std::string> utf8 = systemForm(path);
    if (!utf8 || !hasWindowsForms(*utf8)) return utf8;
    return existingForm(*utf8);
}

bool foundInOtherForms(std::string_view path) {
    return toSystemPath(path) != systemForm(path);
}

std::optional<std::string> fromSystemName(std::string_view utf8Name) {
    auto cp932 = utf8ToCp932(utf8Name);
    if (!cp932) return std::nullopt;
    // Only names that come back unchanged, or in the Windows forms of the characters
    // that have two (found again by toSystemPath), are accepted: any other character
    // the code page folds onto another one (or onto "\", the folder separator) would
    // name a different file.
    auto back = systemForm(*cp932);
    if (!back || (*back != utf8Name && otherForms(*back) != utf8Name)) return std::nullopt;
    return cp932;
}

std::string_view withoutTrailingSeparator(std::string_view path) {
    std::size_t keep = path.size();
    if (keep > 1 && safePrefixLength(path, keep - 1) == keep - 1 &&
        (path[keep - 1] == '\\' || path[keep - 1] == '/')) {
        --keep;
    }
    return path.substr(0, keep);
}

std::optional<std::string> listedName(
    std::string_view utf8, const std::function<bool(const std::string&)>& windowsFormTaken,
    DirListing& listing) {
    // fromSystemName also refuses a name holding "\\", which would read back as
    // two path components.
    auto name = fromSystemName(utf8);
    // A name in the other forms whose Windows form is there too cannot be told
    // apart from it once converted.
    std::string windowsName = windowsForms(utf8);
    bool changed = name && windowsName != utf8;
    if (!name || (changed && windowsFormTaken(windowsName))) {
        listing.skipped.push_back(utf8ToCp932Lossy(utf8));
        return std::nullopt;
    }
    if (changed) listing.changed.push_back(*name);
    return name;
}

// ---- whole files ----

std::optional<FileTimes> getFileTimes(std::string_view path) {
    std::optional<FileFacts> facts = fileFacts(path);
    if (!facts) return std::nullopt;
    return facts->times;
}

std::optional<std::string> readWholeFile(std::string_view path) {
    File file(path, File::Mode::Read);
    if (!file) return std::nullopt;
    std::int64_t size = file.size();
    if (size < 0) return std::nullopt;
    std::string data(static_cast<std::size_t>(size), '\0');
    std::int64_t got = file.read(data.data(), data.size());
    if (got < 0) return std::nullopt;
    data.resize(static_cast<std::size_t>(got));
    // A file that grew meanwhile: take the rest too.
    char more[8192];
    while ((got = file.read(more, sizeof more)) > 0)
        data.append(more, static_cast<std::size_t>(got));
    if (got < 0) return std::nullopt;
    return data;
}

}  // namespace qv
