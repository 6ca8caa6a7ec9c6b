#include "platform/ScratchFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/FileSystem.h"

namespace qv {
namespace {

int openUnnamedFile(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '/') pattern += '/';
    pattern += ".~qvXXXXXX";
    fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(pattern.c_str());
    return fd;
}

}  // namespace

ScratchFile::~ScratchFile() {
    unmap();
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool ScratchFile::open(const std::string& folder) {
    if (isOpen()) return false;
    handle_ = openUnnamedFile(folder);
    return isOpen();
}

bool ScratchFile::isOpen() const {
    return handle_ >= 0;
}

bool ScratchFile::append(std::string_view bytes) {
    unmap();
    if (!isOpen() || !writeAllTo(static_cast<int>(handle_), bytes)) return false;
    size_ += static_cast<std::int64_t>(bytes.size());
    return true;
}

std::optional<std::string_view> ScratchFile::view() {
    if (!isOpen()) return std::nullopt;
    if (size_ == 0) return std::string_view();
    if (!mapped_) {
        void* at = ::mmap(nullptr, static_cast<std::size_t>(size_), PROT_READ, MAP_SHARED,
                          static_cast<int>(handle_), 0);
        if (at == MAP_FAILED) return std::nullopt;
        mapped_ = at;
        mappedSize_ = static_cast<std::size_t>(size_);
    }
    return std::string_view(static_cast<const char*>(mapped_), mappedSize_);
}

void ScratchFile::unmap() {
    if (mapped_) ::munmap(mapped_, mappedSize_);
    mapped_ = nullptr;
    mappedSize_ = 0;
}

}  // namespace qv
