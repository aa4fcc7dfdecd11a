#include "files/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace kivo {

namespace {

constexpr const char* TEMP_MARK = ".kivo-save-"; // then "<pid>-" and the six characters mkstemp picks

bool AllAlnum(const std::string& s, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        if (!std::isalnum(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

// The writer's process id from a temporary file's name after the mark: "<pid>-XXXXXX" gives the
// pid, the six characters alone (the names of earlier versions) give 0; -1 for any other name.
long TempOwner(const std::string& tail) {
    if (tail.size() == 6) return AllAlnum(tail, 0, 6) ? 0 : -1;
    const std::size_t dash = tail.size() >= 8 ? tail.size() - 7 : 0;
    if (dash == 0 || tail[dash] != '-' || !AllAlnum(tail, dash + 1, tail.size()) || dash > 10) return -1;
    long pid = 0;
    for (std::size_t i = 0; i < dash; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(tail[i]))) return -1;
        pid = pid * 10 + (tail[i] - '0');
    }
    return pid > 0 ? pid : -1;
}

bool ProcessAlive(long pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// A temporary file is dead when its writer's process is gone and no one holds its lock (a writer
// locks its temporary file from creation to rename, so a live write on another machine sharing
// the folder keeps its file too).
bool DeadTemp(const std::filesystem::path& p, long owner) {
    if (ProcessAlive(owner)) return false;
    const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    const bool dead = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    // Removed while locked, so no writer can take it up in between.
    if (dead) ::unlink(p.c_str());
    ::close(fd);
    return dead;
}

// Removes the temporary files that killed writes of `path` left beside it, regular files named
// "<name>.kivo-save-[<pid>-]XXXXXX" whose writer is gone. Anything else in the folder is left alone.
void RemoveLeftTemps(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    const std::string prefix = target.filename().string() + TEMP_MARK;
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const long owner = TempOwner(name.substr(prefix.size()));
        if (owner >= 0) DeadTemp(it->path(), owner);
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

// The file about to be replaced gives up its cached pages, so that the new content takes the
// memory just freed: on a virtual machine whose host takes back free memory, writing a listing of
// hundreds of megabytes into fresh pages costs ten times the CPU. The file itself is untouched.
void ReleaseCache(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // Pages not yet on the disk stay cached: write them out first (a file written moments ago).
        ::sync_file_range(fd, 0, 0,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    }
    ::close(fd);
}

} // namespace

bool WriteProtected(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool AtomicWriteStream(const std::string& given, const std::function<void(std::FILE*)>& fill, Sync sync) {
    const std::string path = ThroughLinks(given);
    if (WriteProtected(path)) {
        errno = EACCES;
        return false;
    }
    if (sync == Sync::Regenerable) ReleaseCache(path);
    std::string tmp = path + TEMP_MARK + std::to_string(::getpid()) + "-XXXXXX";
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    ::flock(fd, LOCK_EX); // ours alone: a fresh file no one else has opened yet
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        const int err = errno;
        ::unlink(tmp.c_str());
        ::close(fd);
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
              step(sync == Sync::Regenerable || ::fsync(fd) == 0);
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

bool AtomicWriteFile(const std::string& path, const std::string& bytes, Sync sync) {
    return AtomicWriteStream(
        path,
        [&](std::FILE* f) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        },
        sync);
}

bool ReadRegularFile(const std::string& path, std::string& bytes, std::size_t limit) {
    bytes.clear();
    // Not blocking: opening a FIFO for reading would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    auto fail = [fd](int err) {
        ::close(fd);
        errno = err;
        return false;
    };
    struct stat st;
    if (::fstat(fd, &st) != 0) return fail(errno);
    if (S_ISDIR(st.st_mode)) return fail(EISDIR);
    if (!S_ISREG(st.st_mode)) return fail(EINVAL);
    if (static_cast<std::uint64_t>(st.st_size) > limit) return fail(EFBIG);
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    // Read to the end, also of a file that grows while being read, but never past the limit.
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            bytes.clear();
            return fail(err);
        }
        if (bytes.size() + static_cast<std::size_t>(n) > limit) {
            bytes.clear();
            return fail(EFBIG);
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool IsReadableRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st;
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::size_t limit) {
    std::string text;
    const bool ok = ReadRegularFile(path, text, limit);
    bytes.assign(text.begin(), text.end());
    return ok;
}

ProjectLock::State ProjectLock::Acquire(const std::string& project, int waitMs) {
    Release();
    lockPath_ = ThroughLinks(project) + ".kivo-lock";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) return state_ = State::Failed;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before us removes the file as it lets go: a lock on a file that is no
            // longer the one under the name locks nothing.
            struct stat held, named;
            if (::fstat(fd, &held) == 0 && ::stat(lockPath_.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                const std::string pid = std::to_string(::getpid()) + "\n";
                if (::ftruncate(fd, 0) == 0 && ::write(fd, pid.data(), pid.size()) < 0) {
                    // the process id is for people looking at the folder; the lock holds without it
                }
                fd_ = fd;
                holder_ = ::getpid();
                return state_ = State::Locked;
            }
            ::close(fd);
            continue;
        }
        const int err = errno;
        char text[32] = {};
        const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
        holder_ = n > 0 ? std::strtol(text, nullptr, 10) : 0;
        ::close(fd);
        if (err != EWOULDBLOCK) {
            errno = err;
            return state_ = State::Failed;
        }
        if (std::chrono::steady_clock::now() >= deadline) return state_ = State::InUse;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void ProjectLock::Release() {
    if (fd_ >= 0) {
        ::unlink(lockPath_.c_str());
        ::close(fd_);
        fd_ = -1;
    }
    state_ = State::Unlocked;
}

} // namespace kivo
