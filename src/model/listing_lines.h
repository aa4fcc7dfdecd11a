#pragma once
// The lines of a loaded listing: one block of text, each line followed by a separator byte, and
// where each line begins. The listing of a large network runs to more than a million lines; held as
// a string each, they would cost a heap block and a string header apiece on top of the text. The
// separator lets a listing read whole be split where it lies, its line ends turned into the lines'
// last blank and separator, and the block is left unset until written (its pages are first
// touched by the threads that read the file).

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kivo {

class ListingLines {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        const_iterator() = default;
        const_iterator(const ListingLines* lines, std::size_t i) : lines_(lines), i_(i) {}
        std::string_view operator*() const { return (*lines_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++i_;
            return before;
        }
        bool operator==(const const_iterator& o) const { return i_ == o.i_; }

    private:
        const ListingLines* lines_ = nullptr;
        std::size_t i_ = 0;
    };

    ListingLines() = default;
    ListingLines(const ListingLines& o) : starts_(o.starts_) { assignText(o.text_.get(), o.size_); }
    ListingLines& operator=(const ListingLines& o) {
        if (this != &o) {
            ListingLines copy(o);
            swap(copy);
        }
        return *this;
    }
    ListingLines(ListingLines&& o) noexcept { swap(o); }
    ListingLines& operator=(ListingLines&& o) noexcept {
        ListingLines taken(std::move(o));
        swap(taken);
        return *this;
    }

    std::size_t size() const { return starts_.empty() ? 0 : starts_.size() - 1; }
    bool empty() const { return size() == 0; }
    std::string_view operator[](std::size_t i) const {
        return {text_.get() + starts_[i], starts_[i + 1] - starts_[i] - 1};
    }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    void push_back(std::string_view line) {
        if (starts_.empty()) starts_.push_back(0);
        char* at = room(line.size() + 1);
        if (!line.empty()) std::memcpy(at, line.data(), line.size());
        at[line.size()] = '\n';
        size_ += line.size() + 1;
        starts_.push_back(size_);
    }
    void reserve(std::size_t bytes, std::size_t lines) {
        room(bytes > size_ ? bytes - size_ : 0);
        starts_.reserve(lines + 1);
    }
    // Takes over a block of `size` bytes in which line i is [starts[i], starts[i + 1] - 1) (starts:
    // one more than the lines, from 0, the last at most size; or empty).
    void adopt(std::unique_ptr<char[]> text, std::size_t size, std::vector<std::size_t> starts) {
        text_ = std::move(text);
        size_ = capacity_ = size;
        starts_ = std::move(starts);
    }
    void clear() {
        size_ = 0;
        starts_.clear();
    }
    void shrink_to_fit() {
        if (capacity_ > size_) {
            const std::unique_ptr<char[]> old = std::move(text_);
            assignText(old.get(), size_);
        }
        starts_.shrink_to_fit();
    }
    void swap(ListingLines& other) noexcept {
        text_.swap(other.text_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        starts_.swap(other.starts_);
    }
    bool operator==(const ListingLines& o) const {
        return starts_ == o.starts_ &&
               std::string_view(text_.get(), size_) == std::string_view(o.text_.get(), o.size_);
    }

private:
    // Room for n more bytes after the text (the text moves when it grows).
    char* room(std::size_t n) {
        if (size_ + n > capacity_) {
            const std::size_t capacity = std::max({2 * capacity_, size_ + n, std::size_t{256}});
            std::unique_ptr<char[]> grown(new char[capacity]);
            if (size_ > 0) std::memcpy(grown.get(), text_.get(), size_);
            text_ = std::move(grown);
            capacity_ = capacity;
        }
        return text_.get() + size_;
    }
    void assignText(const char* text, std::size_t size) {
        std::unique_ptr<char[]> copy(size > 0 ? new char[size] : nullptr);
        if (size > 0) std::memcpy(copy.get(), text, size);
        text_ = std::move(copy);
        size_ = capacity_ = size;
    }

    std::unique_ptr<char[]> text_;
    std::size_t size_ = 0, capacity_ = 0;
    std::vector<std::size_t> starts_; // line i is text_[starts_[i], starts_[i + 1] - 1)
};

} // namespace kivo
