#pragma once
// The element tables: creating and releasing them, adding theodolites, object points and scale
// bars (slot reuse and growth), the names proposed for the next element, look-ups by kind, and
// clearing the source marks.

#include "model/document_state.h"
#include "model/records.h"
#include "model/view_geometry.h"

namespace kivo {

class ElementTables {
public:
    ElementTables(NetworkStore& network, ObservationStore& observations, const ViewGeometry& geometry)
        : net_(network), obs_(observations), geometry_(geometry) {}

    // Empty tables (the observation lists too) with one spare slot each.
    void CreateMemory();
    void DestroyMemory();
    void NewTheo(const char* newName, const char* newAbbrev, int pos, int theo, double xLogCoord,
                 double yLogCoord, double zLogCoord, double xRotation, double yRotation, double zRotation,
                 int coordStat);
    void NewPoint(const char* newName, const char* newAbbrev, double xLogCoord, double yLogCoord,
                  double zLogCoord, int coordStat);
    void NewSBar(const char* newName, const char* newAbbrev, double xLogCoord, double yLogCoord,
                 double zLogCoord, double length, int azimuth, int vertangle);
    void NewCommon(COMMON& common, const char* newName, const char* newAbbrev, double xLogCoord,
                   double yLogCoord, double zLogCoord);
    void GetNextTheoName(int* posPtr, int* theoPtr);
    void GetNextPointName(int* pointNumber);
    void GetNextSBarName(int* sbarNumber);
    COMMON& Common(int kind, int slot);
    const COMMON& Common(int kind, int slot) const;
    void ClearTheos();
    void ClearPoints();
    void ClearSBars();

private:
    template <class T> int AddElementSlot(ElementTable<T>& table, int& nNum, int& nMax);

    NetworkStore& net_;
    ObservationStore& obs_;
    const ViewGeometry& geometry_;
};

} // namespace kivo
