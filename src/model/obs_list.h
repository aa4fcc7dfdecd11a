#pragma once
// Observation lists. A theodolite's list is dense, in creation order, and never shrinks its storage;
// a global point-to-point list is slotted like an element table (live entries carry OBS_INUSE).
// Both keep an index of their targets so that the duplicate tests are O(1): the import and the
// mouse tools add entries one at a time to lists of many thousands.

#include <cassert>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "model/records.h"

namespace kivo {

template <class T> class ObsList {
public:
    int size() const { return static_cast<int>(items_.size()); }
    bool empty() const { return items_.empty(); }
    // The list's storage exists (the handle of the original is non-null).
    bool allocated() const { return allocated_; }

    const T& operator[](int i) const {
        assert(i >= 0 && i < size());
        return items_[static_cast<std::size_t>(i)];
    }
    // Values and flags may be changed in place; a target is changed only through SetTarget.
    T& operator[](int i) {
        assert(i >= 0 && i < size());
        return items_[static_cast<std::size_t>(i)];
    }
    const std::vector<T>& items() const { return items_; }

    // True if any entry has this target, whatever its flags.
    bool Contains(std::int32_t target) const {
        auto it = targets_.find(target);
        return it != targets_.end() && it->second > 0;
    }

    void Append(const T& entry) {
        allocated_ = true;
        items_.push_back(entry);
        ++targets_[entry.target];
    }

    void SetTarget(int i, std::int32_t target) {
        Forget(items_[static_cast<std::size_t>(i)].target);
        items_[static_cast<std::size_t>(i)].target = target;
        ++targets_[target];
    }

    // Removes every entry with this target (which == -1) or the entry at position `which`,
    // closing the gap; returns the new count.
    int Remove(std::int32_t target, int which) {
        if (items_.empty()) return 0;
        if (which == -1) {
            std::size_t out = 0;
            for (std::size_t in = 0; in < items_.size(); ++in)
                if (items_[in].target != target) items_[out++] = items_[in];
            items_.resize(out);
            targets_.erase(target);
        } else {
            assert(which >= 0 && which < size());
            Forget(items_[static_cast<std::size_t>(which)].target);
            items_.erase(items_.begin() + which);
        }
        return size();
    }

    // Frees the storage (the handle becomes null).
    void Release() {
        std::vector<T>().swap(items_);
        targets_.clear();
        allocated_ = false;
    }

    // Replaces the whole list (file reading, forms committing a working copy).
    void Assign(std::vector<T> entries) {
        items_ = std::move(entries);
        allocated_ = !items_.empty();
        targets_.clear();
        for (const T& e : items_)
            ++targets_[e.target];
    }

private:
    void Forget(std::int32_t target) {
        auto it = targets_.find(target);
        if (it != targets_.end() && --it->second <= 0) targets_.erase(it);
    }

    std::vector<T> items_;
    std::unordered_map<std::int32_t, std::int32_t> targets_;
    bool allocated_ = false;
};

// A slotted global list of point-to-point observations (CONNECT4 or CONNECT5). The live and slot
// counts (nNumDists/nMaxDists, nNumHeights/nMaxHeights) are the document's; this holds the storage
// and an index of the live point pairs, in either order.
template <class T> class GlobalList {
public:
    int storage() const { return static_cast<int>(slots_.size()); }
    const T& operator[](int i) const { return slots_[static_cast<std::size_t>(i)]; }
    // Values may be changed in place; source, target and OBS_INUSE only through the members below.
    T& operator[](int i) { return slots_[static_cast<std::size_t>(i)]; }

    // Grows the storage to n entries, zero-filled.
    void Grow(int n) {
        if (n > storage()) slots_.resize(static_cast<std::size_t>(n), T{});
    }

    bool ContainsPair(std::int32_t a, std::int32_t b) const {
        auto it = pairs_.find(Key(a, b));
        return it != pairs_.end() && it->second > 0;
    }

    // Writes a live entry into slot i.
    void Put(int i, const T& entry) {
        assert(entry.flags & OBS_INUSE);
        Unindex(i);
        slots_[static_cast<std::size_t>(i)] = entry;
        ++pairs_[Key(entry.source, entry.target)];
    }

    // Clears OBS_INUSE of slot i.
    void Free(int i) {
        Unindex(i);
        slots_[static_cast<std::size_t>(i)].flags &= ~OBS_INUSE;
    }

    void Clear() {
        std::vector<T>().swap(slots_);
        pairs_.clear();
    }

    // Rebuilds the pair index after the slots were filled wholesale (file reading).
    void Reindex(int nMax) {
        pairs_.clear();
        for (int i = 0; i < nMax && i < storage(); ++i)
            if (slots_[static_cast<std::size_t>(i)].flags & OBS_INUSE)
                ++pairs_[Key(slots_[static_cast<std::size_t>(i)].source,
                             slots_[static_cast<std::size_t>(i)].target)];
    }
    T* data() { return slots_.data(); }
    const T* data() const { return slots_.data(); }

private:
    static std::uint64_t Key(std::int32_t a, std::int32_t b) {
        auto lo = static_cast<std::uint32_t>(a < b ? a : b);
        auto hi = static_cast<std::uint32_t>(a < b ? b : a);
        return (std::uint64_t(hi) << 32) | lo;
    }
    void Unindex(int i) {
        const T& old = slots_[static_cast<std::size_t>(i)];
        if (!(old.flags & OBS_INUSE)) return;
        auto it = pairs_.find(Key(old.source, old.target));
        if (it != pairs_.end() && --it->second <= 0) pairs_.erase(it);
    }

    std::vector<T> slots_;
    std::unordered_map<std::uint64_t, std::int32_t> pairs_;
};

} // namespace kivo
