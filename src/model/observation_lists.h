#pragma once
// The observation lists: adding ideal observations from the marked elements, the duplicate tests,
// removing observations, cascading deletion of elements and Edit Cut of the selection.

#include "model/document_state.h"
#include "model/host.h"
#include "model/obs_list.h"
#include "model/records.h"

namespace kivo {

// Something that can draw the line of a newly added observation in a view (the core stays
// free of any window system; views pass one in, everything else passes nullptr).
class LinePainter {
public:
    enum Pen { Green, Blue, Red, Yellow };
    virtual ~LinePainter() = default;
    virtual void Line(Pen pen, int x1, int y1, int x2, int y2) = 0;
};

class ObservationLists {
public:
    // `host` is the document's current host pointer (the document may change it).
    ObservationLists(NetworkStore& network, ObservationStore& observations, const SelectionState& selection,
                     FileState& file, Host* const& host)
        : net_(network), obs_(observations), sel_(selection), file_(file), host_(host) {}

    void NewCollimate(LinePainter* hdc, int view, int theo);
    void NewPtDirect(LinePainter* hdc, int view, int point);
    void NewSBDirect(LinePainter* hdc, int view, int sbar);
    void NewDistance(LinePainter* hdc, int view, int point);
    void NewHeight(LinePainter* hdc, int view, int point);
    static bool CheckCollimate(const ObsList<CONNECT1>& list, int num, int theo);
    static bool CheckPtDirect(const ObsList<CONNECT1>& list, int num, int point);
    static bool CheckSBDirect(const ObsList<CONNECT2>& list, int num, int sbar);
    static bool CheckDistance(const ObsList<CONNECT3>& list, int num, int point);
    static bool CheckHeight(const ObsList<CONNECT6>& list, int num, int point);
    bool CheckPtDistance(int source, int point) const;
    bool CheckPtHeight(int source, int point) const;
    static int DelCollimate(ObsList<CONNECT1>& list, int count, int theTarget, int whichCollimate);
    static int DelPtDirect(ObsList<CONNECT1>& list, int count, int theTarget, int whichDirect);
    static int DelSBDirect(ObsList<CONNECT2>& list, int count, int theTarget, int whichDirect);
    static int DelDistance(ObsList<CONNECT3>& list, int count, int theTarget, int whichDistance);
    static int DelHeight(ObsList<CONNECT6>& list, int count, int theTarget, int whichHeight);
    void DelPtDistance(int theSource, int theTarget, int whichDistance);
    void DelPtHeight(int theSource, int theTarget, int which);
    // Adds a live entry to a global list (slot reuse and growth as for elements); returns its slot.
    int AddPtDistance(const CONNECT4& entry);
    int AddPtHeight(const CONNECT5& entry);
    void DelTheo(int theo);
    void DelPoint(int point);
    void DelSBar(int sbar);
    // Removes the selection (an element with its observations, or one observation).
    void CmCut();

private:
    template <class T, class L> int AddGlobal(L& list, int& nNum, int& nMax, const T& entry);

    NetworkStore& net_;
    ObservationStore& obs_;
    const SelectionState& sel_;
    FileState& file_;
    Host* const& host_;
};

} // namespace kivo
