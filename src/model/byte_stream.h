#pragma once
// Little-endian byte streams for the project file. The reader never reads past its end: every
// read reports whether the bytes were there, so a truncated file cannot leave stale values behind.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace kivo {

class ByteWriter {
public:
    void Raw(const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    template <class T> void Value(const T& v) { Raw(&v, sizeof v); }
    void Bool(bool b) { bytes_.push_back(b ? 1 : 0); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t remaining() const { return size_ - pos_; }
    bool ok() const { return ok_; }

    bool Raw(void* p, std::size_t n) {
        if (!ok_ || n > remaining()) {
            ok_ = false;
            return false;
        }
        std::memcpy(p, data_ + pos_, n);
        pos_ += n;
        return true;
    }
    template <class T> bool Value(T& v) { return Raw(&v, sizeof v); }
    bool Bool(bool& b) {
        std::uint8_t v = 0;
        if (!Raw(&v, 1)) return false;
        b = v != 0;
        return true;
    }
    // True when `count` records of `size` bytes can still be read (checked before allocating).
    bool CanHold(std::int64_t count, std::size_t size) const {
        return ok_ && count >= 0 && static_cast<std::uint64_t>(count) * size <= remaining();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// Writes `path` so that a failure never destroys the previous file: `fill` writes the content to a
// temporary file in the same folder ("<path>.kivo-save-XXXXXX"), which replaces `path` only after
// every write, the flush, the sync and the close succeeded. Returns false on any failure, with
// errno telling why; `path` is then untouched and no temporary file is left behind. A file whose
// permissions grant no one write access is write-protected: it is refused (errno EACCES), even for
// a user the system would let write it. A successful write removes the temporary files that
// earlier writes of the same path left when they were killed half way.
bool AtomicWriteStream(const std::string& path, const std::function<void(std::FILE*)>& fill);
bool AtomicWriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// True when `path` exists and may not be written: no write permission for anyone, or none for us.
bool WriteProtected(const std::string& path);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes);

} // namespace kivo
