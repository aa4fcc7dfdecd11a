#pragma once
// The lines of a loaded listing: one block of text and where each line begins. The listing of a
// large network runs to more than a million lines; held as a string each, they would cost a heap
// block and a string header apiece on top of the text.

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
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

    std::size_t size() const { return starts_.empty() ? 0 : starts_.size() - 1; }
    bool empty() const { return size() == 0; }
    std::string_view operator[](std::size_t i) const {
        return std::string_view(text_).substr(starts_[i], starts_[i + 1] - starts_[i]);
    }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    void push_back(std::string_view line) {
        if (starts_.empty()) starts_.push_back(0);
        text_.append(line);
        starts_.push_back(text_.size());
    }
    void reserve(std::size_t bytes, std::size_t lines) {
        text_.reserve(bytes);
        starts_.reserve(lines + 1);
    }
    void clear() {
        text_.clear();
        starts_.clear();
    }
    void shrink_to_fit() {
        text_.shrink_to_fit();
        starts_.shrink_to_fit();
    }
    void swap(ListingLines& other) noexcept {
        text_.swap(other.text_);
        starts_.swap(other.starts_);
    }
    bool operator==(const ListingLines& o) const { return text_ == o.text_ && starts_ == o.starts_; }

private:
    std::string text_;
    std::vector<std::size_t> starts_; // line i is text_[starts_[i], starts_[i + 1])
};

} // namespace kivo
