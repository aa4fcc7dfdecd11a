#pragma once
// A slotted element table: contiguous records addressed by slot index, grown one zero-filled record
// at a time, never shrunk while a project is open. Beside the records it keeps two indexes that the
// bulk operations need to stay fast on large networks: the marked (ELEM_SELECTED) slots in slot
// order, and the live slots by upper-cased name. Both follow the records as long as flags and names
// are changed through the members here.

#include <cassert>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/records.h"

namespace kivo {

inline std::string UpperName(const char* name) {
    std::string s;
    for (const char* p = name; *p; ++p)
        s += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    return s;
}

template <class T> class ElementTable {
public:
    // Number of records the storage holds (at least the slot count).
    int storage() const { return static_cast<int>(slots_.size()); }
    const T& operator[](int i) const {
        assert(i >= 0 && i < storage());
        return slots_[static_cast<std::size_t>(i)];
    }
    // Records may be changed in place except for flags ELEM_INUSE/ELEM_SELECTED and the name,
    // which go through SetFlags, Mark and Rename.
    T& operator[](int i) {
        assert(i >= 0 && i < storage());
        return slots_[static_cast<std::size_t>(i)];
    }

    // Grows the storage to n records, the new ones zero-filled.
    void Grow(int n) {
        if (n > storage()) slots_.resize(static_cast<std::size_t>(n), T{});
    }
    void Clear() {
        std::vector<T>().swap(slots_);
        marked_.clear();
        names_.clear();
    }

    // Sets the whole flags byte of slot i, keeping the indexes.
    void SetFlags(int i, std::uint8_t flags) {
        T& e = (*this)[i];
        bool wasLive = e.flags & ELEM_INUSE;
        bool isLive = flags & ELEM_INUSE;
        if (wasLive && !isLive) names_[UpperName(e.name)].erase(i);
        if (!wasLive && isLive) names_[UpperName(e.name)].insert(i);
        e.flags = flags;
        if (flags & ELEM_SELECTED)
            marked_.insert(i);
        else
            marked_.erase(i);
    }
    void Mark(int i, bool on) {
        std::uint8_t f = (*this)[i].flags;
        SetFlags(i, on ? (f | ELEM_SELECTED) : (f & ~ELEM_SELECTED));
    }
    bool IsLive(int i) const { return i >= 0 && i < storage() && ((*this)[i].flags & ELEM_INUSE); }
    bool IsMarked(int i) const { return (*this)[i].flags & ELEM_SELECTED; }

    // Marked slots in slot order (they may include free slots whose mark the file kept).
    const std::set<int>& Marked() const { return marked_; }

    // Copies a name into slot i (cut to 8 characters), keeping the name index.
    void Rename(int i, const char* name) {
        T& e = (*this)[i];
        bool live = e.flags & ELEM_INUSE;
        if (live) names_[UpperName(e.name)].erase(i);
        std::memset(e.name, 0, sizeof e.name);
        std::strncpy(e.name, name, NAME_LEN);
        if (live) names_[UpperName(e.name)].insert(i);
    }

    // Lowest live slot whose name equals `name` ignoring letter case, or -1.
    int Find(const char* name) const {
        auto it = names_.find(UpperName(name));
        if (it == names_.end() || it->second.empty()) return -1;
        return *it->second.begin();
    }

    // Rebuilds both indexes after the records were filled wholesale (file reading).
    void Reindex(int nMax) {
        marked_.clear();
        names_.clear();
        for (int i = 0; i < nMax && i < storage(); ++i) {
            const T& e = (*this)[i];
            if (e.flags & ELEM_SELECTED) marked_.insert(i);
            if (e.flags & ELEM_INUSE) names_[UpperName(e.name)].insert(i);
        }
    }

    // The indexes agree with the records (for tests).
    bool IndexesConsistent(int nMax) const {
        ElementTable copy;
        copy.slots_ = slots_;
        copy.Reindex(nMax);
        auto clean = [](const std::unordered_map<std::string, std::set<int>>& m) {
            std::map<std::string, std::set<int>> out;
            for (auto& [k, v] : m)
                if (!v.empty()) out[k] = v;
            return out;
        };
        std::set<int> marked;
        for (int i : marked_)
            if (i < nMax) marked.insert(i);
        return marked == copy.marked_ && clean(names_) == clean(copy.names_);
    }

private:
    std::vector<T> slots_;
    std::set<int> marked_;
    std::unordered_map<std::string, std::set<int>> names_;
};

} // namespace kivo
