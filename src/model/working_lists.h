#pragma once
// Working copies of observation lists, edited by the observation forms and handed back on OK.
//
// A theodolite list (collimations, point and scale-bar directions, distances, heights) is copied
// whole; the form lists the records that go to one target and edits the copy. The global
// point-to-point lists are slotted: their copy keeps every slot, its live count and its slot count,
// and new entries take the first free slot.

#include <cstdint>
#include <vector>

#include "model/obs_list.h"
#include "model/records.h"

namespace kivo::work {

// The type text of a listed record: in ideal mode "Ideal" for OBS_IDEAL records; otherwise "Dir"
// for OBS_DIRECT, "Rev" for OBS_REVERSE (when `reverse` readings exist for the kind). nullptr
// when the record is not listed.
inline const char* TypeText(std::int32_t flags, bool ideal, bool reverse = true) {
    if (ideal) return (flags & OBS_IDEAL) ? "Ideal" : nullptr;
    if (flags & OBS_DIRECT) return "Dir";
    if (reverse && (flags & OBS_REVERSE)) return "Rev";
    return nullptr;
}

// The records of a theodolite list shown for `target`, in list order: entry i is the record
// that line i of the list box stands for.
template <class T>
std::vector<int> ListedRecords(const std::vector<T>& items, std::int32_t target, bool ideal,
                               bool reverse = true) {
    std::vector<int> out;
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
        if (items[static_cast<std::size_t>(i)].target == target &&
            TypeText(items[static_cast<std::size_t>(i)].flags, ideal, reverse))
            out.push_back(i);
    return out;
}

// Removes record `which` of a theodolite working copy; returns the new count.
template <class T> int RemoveRecord(std::vector<T>& items, int which) {
    if (which >= 0 && which < static_cast<int>(items.size())) items.erase(items.begin() + which);
    return static_cast<int>(items.size());
}

// A working copy of a global point-to-point list (CONNECT4 or CONNECT5).
template <class T> struct PairCopy {
    std::vector<T> entries;
    int nNum = 0;     // live entries
    int nMax = 0;     // slots
    int newSlot = -1; // slot of the entry added last

    void Load(const GlobalList<T>& list, int num, int max) {
        nNum = num;
        nMax = max;
        entries.assign(static_cast<std::size_t>(max), T{});
        for (int i = 0; i < max && i < list.storage(); ++i)
            entries[static_cast<std::size_t>(i)] = list[i];
        newSlot = -1;
    }

    // Live entries from `source` to `target` (this order only) that are shown, in slot order.
    std::vector<int> Listed(std::int32_t source, std::int32_t target, bool ideal) const {
        std::vector<int> out;
        for (int i = 0; i < nMax; ++i) {
            const T& e = entries[static_cast<std::size_t>(i)];
            if ((e.flags & OBS_INUSE) && e.source == source && e.target == target &&
                TypeText(e.flags, ideal, false))
                out.push_back(i);
        }
        return out;
    }

    // Puts a live entry into the first free slot, or a new slot at the end; returns the slot.
    int Add(const T& entry) {
        int slot = -1;
        for (int i = 0; i < nMax; ++i)
            if (!(entries[static_cast<std::size_t>(i)].flags & OBS_INUSE)) {
                slot = i;
                break;
            }
        if (slot < 0) {
            slot = nMax++;
            if (static_cast<int>(entries.size()) < nMax) entries.resize(static_cast<std::size_t>(nMax), T{});
        }
        entries[static_cast<std::size_t>(slot)] = entry;
        entries[static_cast<std::size_t>(slot)].flags |= OBS_INUSE;
        ++nNum;
        newSlot = slot;
        return slot;
    }

    // Frees slot `which`, or with which == -1 every live entry from `source` to `target`.
    void Remove(std::int32_t source, std::int32_t target, int which) {
        auto freeSlot = [this](int i) {
            T& e = entries[static_cast<std::size_t>(i)];
            if (!(e.flags & OBS_INUSE)) return;
            e.flags &= ~OBS_INUSE;
            --nNum;
        };
        if (which != -1) {
            if (which >= 0 && which < nMax) freeSlot(which);
            return;
        }
        for (int i = 0; i < nMax; ++i) {
            const T& e = entries[static_cast<std::size_t>(i)];
            if (e.source == source && e.target == target) freeSlot(i);
        }
    }

    // Replaces the document's list and its counts by this copy.
    void CommitTo(GlobalList<T>& list, int& num, int& max) const {
        list.Clear();
        list.Grow(nMax > 0 ? nMax : 1);
        for (int i = 0; i < nMax; ++i)
            list[i] = entries[static_cast<std::size_t>(i)];
        list.Reindex(nMax);
        num = nNum;
        max = nMax;
    }
};

// ---- The observation forms' working-list operations ------------------------------------------
// A theodolite working list (handleMod) with its count of entries (countMod): an entry goes to
// position countMod; the storage grows to countMod + 1 zeroed records when it is too small.
template <class T> void AppendRecord(std::vector<T>& handleMod, int& countMod, const T& entry) {
    if (countMod < 0) countMod = 0;
    if (static_cast<int>(handleMod.size()) < countMod + 1)
        handleMod.resize(static_cast<std::size_t>(countMod) + 1, T{});
    handleMod[static_cast<std::size_t>(countMod)] = entry;
    ++countMod;
}

// Angles in gon.
inline void AddCollimate(std::vector<CONNECT1>& handleMod, int& countMod, int target, int flags,
                         double hAngle, double vAngle) {
    AppendRecord(handleMod, countMod, CONNECT1{target, flags, 0, hAngle, vAngle});
}
inline void AddPtDirect(std::vector<CONNECT1>& handleMod, int& countMod, int target, int flags, double hAngle,
                        double vAngle) {
    AppendRecord(handleMod, countMod, CONNECT1{target, flags, 0, hAngle, vAngle});
}
// The left and the right end of the bar.
inline void AddSBDirect(std::vector<CONNECT2>& handleMod, int& countMod, int target, int flags,
                        double hLAngle, double vLAngle, double hRAngle, double vRAngle) {
    AppendRecord(handleMod, countMod, CONNECT2{target, flags, 0, hLAngle, vLAngle, hRAngle, vRAngle});
}
// Lengths in the project's unit.
inline void AddDistance(std::vector<CONNECT3>& handleMod, int& countMod, int target, int flags,
                        double distance) {
    AppendRecord(handleMod, countMod, CONNECT3{target, flags, 0, distance});
}
inline void AddHeight(std::vector<CONNECT6>& handleMod, int& countMod, int target, int flags, double height) {
    AppendRecord(handleMod, countMod, CONNECT6{target, flags, 0, height});
}

// The point-to-point working lists: the entry takes the first free slot (newModify... is the
// copy's newSlot, the live count its nNum).
inline int AddPtDistance(PairCopy<CONNECT4>& modifyDistList, int source, int target, int flags,
                         double distance) {
    return modifyDistList.Add(CONNECT4{source, target, flags | OBS_INUSE, 0, distance});
}
inline int AddPtHeight(PairCopy<CONNECT5>& modifyHeightList, int source, int target, int flags,
                       double height) {
    return modifyHeightList.Add(CONNECT5{source, target, flags | OBS_INUSE, 0, height});
}
// which == -1: every live entry from theSource to theTarget (this order only); else slot `which`.
inline void DelPtDistanceMod(PairCopy<CONNECT4>& modifyDistList, int theSource, int theTarget,
                             int whichDistance) {
    modifyDistList.Remove(theSource, theTarget, whichDistance);
}
inline void DelPtHeightMod(PairCopy<CONNECT5>& modifyHeightList, int theSource, int theTarget,
                           int whichHeight) {
    modifyHeightList.Remove(theSource, theTarget, whichHeight);
}

} // namespace kivo::work
