#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "model/byte_stream.h"

namespace kivo {

bool AtomicWriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::string tmp = path + ".kivo-save-XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    // Keep the permissions of the file being replaced; a new project gets the usual ones.
    struct stat st;
    mode_t mode = 0666;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    if (ok) ok = ::fchmod(fd, mode) == 0;
    if (ok) ok = ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok) ok = std::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
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
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

} // namespace kivo
