#pragma once
// A theodolite slot: the stored 251-byte record and the five observation lists it owns.
// The list counts (thCount .. hdCount) live in the stored record, since the file holds them there;
// every operation that changes a list stores the new count, so count == list size always.

#include "model/obs_list.h"
#include "model/records.h"

namespace kivo {

struct THEODOLITE : THEODOLITE_REC {
    ObsList<CONNECT1> thList; // collimations (target = theodolite slot)
    ObsList<CONNECT1> ptList; // point directions (target = point slot)
    ObsList<CONNECT2> sbList; // scale-bar directions (target = scale-bar slot)
    ObsList<CONNECT3> dsList; // distances (target = point slot)
    ObsList<CONNECT6> hdList; // height differences (target = point slot)

    // Frees the five lists (their handles become null) and zeroes the counts.
    void ReleaseLists() {
        thList.Release();
        ptList.Release();
        sbList.Release();
        dsList.Release();
        hdList.Release();
        SyncCounts();
    }

    // Stores the five list sizes into the count fields.
    void SyncCounts() {
        thCount = thList.size();
        ptCount = ptList.size();
        sbCount = sbList.size();
        dsCount = dsList.size();
        hdCount = hdList.size();
    }
};

} // namespace kivo
