#pragma once
// Files written whole or not at all, files read only when they are regular files of a bounded
// size, and the lock that keeps two runs from changing one project at the same time. Qt-free, for
// the document and the engine alike.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace kivo {

// Writes `path` so that a failure never destroys the previous file: `fill` writes the content to a
// temporary file in the same folder ("<path>.kivo-save-<pid>-XXXXXX"), which replaces `path` only
// after every write, the flush, the sync and the close succeeded. Returns false on any failure,
// with errno telling why; `path` is then untouched and no temporary file is left behind. A file
// whose permissions grant no one write access is write-protected: it is refused (errno EACCES),
// even for a user the system would let write it. A successful write removes the temporary files
// that earlier writes of the same path left when they were killed half way: only those whose
// writer is provably gone (the temporary file is not locked and its process no longer exists).
//
// How far the new content is made safe before the rename: `Durable` syncs it to the disk first (a
// power failure leaves the old file or the new one); `Regenerable` leaves that to the system, for
// outputs any Calculate writes again (the listing): a program that dies half way still leaves the
// old file, and a listing of hundreds of megabytes is not written to the disk twice over; the file
// it replaces first gives up its cached pages, which the new content then takes.
enum class Sync { Durable, Regenerable };
bool AtomicWriteStream(const std::string& path, const std::function<void(std::FILE*)>& fill,
                       Sync sync = Sync::Durable);
bool AtomicWriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool AtomicWriteFile(const std::string& path, const std::string& bytes, Sync sync = Sync::Durable);

// True when `path` exists and may not be written: no write permission for anyone, or none for us.
bool WriteProtected(const std::string& path);

// The most a project file or a target file may hold; a settings file holds far less.
constexpr std::size_t kMaxInputFileBytes = std::size_t(1) << 30;

// Reads a whole file without ever blocking on it: a FIFO, a device, a directory or a socket is
// refused (errno EINVAL, or EISDIR for a directory) without reading a byte, and so is a file of
// more than `limit` bytes (errno EFBIG). False when the file cannot be opened or read, with errno
// telling why.
bool ReadRegularFile(const std::string& path, std::string& bytes, std::size_t limit = kMaxInputFileBytes);
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                   std::size_t limit = kMaxInputFileBytes);
// True when `path` is a regular file that can be opened for reading (checked without blocking).
bool IsReadableRegularFile(const std::string& path);

// Keeps other runs from reading, changing and saving the same project while this one does:
// an exclusive lock on "<project>.kivo-lock" beside the project (through symbolic links, so two
// names of one file share the lock). The lock file holds the process id of its holder and is
// removed on release; a run that dies loses its lock with it.
class ProjectLock {
public:
    enum class State { Unlocked, Locked, InUse, Failed };

    ProjectLock() = default;
    ~ProjectLock() { Release(); }
    ProjectLock(const ProjectLock&) = delete;
    ProjectLock& operator=(const ProjectLock&) = delete;

    // Takes the lock of `project`, waiting up to `waitMs` milliseconds for another holder to let go.
    // Locked on success; InUse when the wait ran out (holder() then names the process holding it);
    // Failed when the lock file cannot be made (errno tells why).
    State Acquire(const std::string& project, int waitMs);
    void Release();

    State state() const { return state_; }
    long holder() const { return holder_; }
    const std::string& lockPath() const { return lockPath_; }

private:
    int fd_ = -1;
    State state_ = State::Unlocked;
    long holder_ = 0;
    std::string lockPath_;
};

} // namespace kivo
