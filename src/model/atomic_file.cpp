#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "model/byte_stream.h"

namespace kivo {

namespace {

constexpr const char* TEMP_MARK = ".kivo-save-"; // followed by the six characters mkstemp picks

// The temporary files that killed writes of `path` left beside it: "<name>.kivo-save-XXXXXX",
// regular files only. Anything else in the folder is left alone.
void RemoveLeftTemps(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    const std::string prefix = target.filename().string() + TEMP_MARK;
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        bool pattern = true;
        for (std::size_t i = prefix.size(); i < name.size(); ++i)
            pattern = pattern && std::isalnum(static_cast<unsigned char>(name[i]));
        std::error_code typeEc;
        if (pattern && it->symlink_status(typeEc).type() == fs::file_type::regular)
            ::unlink(it->path().c_str());
    }
}

// Saving through a symbolic link replaces the file the link points to and keeps the link.
std::string ThroughLinks(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path target = fs::weakly_canonical(path, ec);
    return ec ? path : target.string();
}

} // namespace

bool WriteProtected(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool AtomicWriteStream(const std::string& given, const std::function<void(std::FILE*)>& fill) {
    const std::string path = ThroughLinks(given);
    if (WriteProtected(path)) {
        errno = EACCES;
        return false;
    }
    std::string tmp = path + TEMP_MARK + "XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) return false;
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        const int err = errno;
        ::close(fd);
        ::unlink(tmp.c_str());
        errno = err;
        return false;
    }
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat st;
    mode_t mode = 0666;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    std::vector<char> buffer(1 << 20);
    std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
    errno = 0; // a failed write inside `fill` leaves its reason here
    fill(f);
    // Each step runs only when the ones before it succeeded; `err` keeps the first failure's errno.
    int err = 0;
    auto step = [&err](bool good) {
        if (!good && err == 0) err = errno ? errno : EIO;
        return good;
    };
    bool ok = step(!std::ferror(f)) && step(std::fflush(f) == 0) && step(::fchmod(fd, mode) == 0) &&
              step(::fsync(fd) == 0);
    if (!step(std::fclose(f) == 0)) ok = false;
    ok = ok && step(std::rename(tmp.c_str(), path.c_str()) == 0);
    if (!ok) {
        ::unlink(tmp.c_str());
        errno = err;
        return false;
    }
    RemoveLeftTemps(path);
    return true;
}

bool AtomicWriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    return AtomicWriteStream(path, [&](std::FILE* f) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    });
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    struct stat st;
    if (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return false;
    }
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    bytes.resize(got);
    // A file that grew while being read is read to its end.
    std::uint8_t buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

} // namespace kivo
