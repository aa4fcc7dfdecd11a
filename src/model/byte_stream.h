#pragma once
// Little-endian byte streams for the project file. The reader never reads past its end: every
// read reports whether the bytes were there, so a truncated file cannot leave stale values behind.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "files/atomic_file.h"

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

} // namespace kivo
