#pragma once
// The observation list forms (collimations, point and scale-bar directions, distances and height
// differences, from a theodolite or between two points), with their Add and Modify forms.
// A list form edits a working copy of the lists involved and hands it back only on OK; in ideal
// mode it only shows the ideal observations, with values computed from the coordinates, and
// stores nothing.

#include <memory>
#include <string>
#include <vector>

#include "forms/form_base.h"

class QListWidget;

namespace kivo::forms {

// What an Add or Modify form shows: caption, template, help, whether it has the "Type" drop-down
// (ctl::ObsType: "Direct", "Reverse") and the value edits in reading order with their labels.
struct EntryShape {
    const char* caption;
    int templateId;
    int help;
    bool hasType;
    std::vector<std::pair<int, const char*>> values;
};

// One Add or Modify form. On OK `flags` is 1 (Direct) or 2 (Reverse) when the form has a type, and
// `values` holds the values read in order; an entry that is not a number keeps the value shown
// (0 in an Add form).
class TObsEntryForm : public TForm {
    Q_OBJECT
public:
    TObsEntryForm(QWidget* parent, kivoMDIClient& doc, const EntryShape& shape, const char* nameA,
                  const char* nameB, const std::vector<double>* current, int currentFlags);
    int flags = 1;
    std::vector<double> values;

protected:
    bool CanClose() override;

private:
    const EntryShape& shape_;
};

// One list of observations between two elements, as a list form edits it (a working copy).
class ObsSide {
public:
    virtual ~ObsSide() = default;
    // Lines shown when the form opens (ideal values are computed into the copy here).
    virtual std::vector<std::string> OpenLines() = 0;
    // Runs the Add form; on OK returns true with the new line.
    virtual bool Add(QWidget* parent, std::string& line) = 0;
    // Runs the Modify form on the record of list line `line`; on OK returns true with its new text.
    virtual bool Modify(QWidget* parent, int line, std::string& text) = 0;
    virtual void Delete(int line) = 0;
    // Hands the copy to the document (not in ideal mode).
    virtual void Commit() = 0;
    // Whether "Add..." may be enabled: the direction lists need the copy to exist.
    virtual bool CanAdd() const = 0;
};

class TObsListForm : public TForm {
    Q_OBJECT
public:
    // Control ids of one side: caption static (0: none), list box, Add, Modify, Delete.
    struct SideIds {
        int caption, list, add, modify, remove;
    };
    struct Labels {
        const char* first;   // label of ctl::ObsNameA
        const char* second;  // label of ctl::ObsNameB
        const char* columns; // column header above the lists
    };
    TObsListForm(QWidget* parent, kivoMDIClient& doc, const char* caption, int templateId, int help,
                 const Labels& labels, const char* nameA, const char* nameB);

    QListWidget* List(int side) const;

protected:
    // Adds a side with its list box and buttons; `caption` is the side's static text (nullptr: none).
    void AddSide(std::unique_ptr<ObsSide> side, const SideIds& ids, const char* caption, bool enabled);
    bool CanClose() override;

private:
    void TPTBox(int s);
    void TAdd(int s);
    void TModify(int s);
    void TDelete(int s);
    void AfterEdit(int s);

    struct Side {
        std::unique_ptr<ObsSide> side;
        SideIds ids;
        QListWidget* list;
    };
    std::vector<Side> sides_;
};

class TCollimateForm : public TObsListForm {
    Q_OBJECT
public:
    TCollimateForm(QWidget* parent, kivoMDIClient& doc, int theoA, int theoB);
};
class TPtDirectForm : public TObsListForm {
    Q_OBJECT
public:
    TPtDirectForm(QWidget* parent, kivoMDIClient& doc, int theo, int point);
};
class TSBDirectForm : public TObsListForm {
    Q_OBJECT
public:
    TSBDirectForm(QWidget* parent, kivoMDIClient& doc, int theo, int sbar);
};
class TDistanceForm : public TObsListForm {
    Q_OBJECT
public:
    TDistanceForm(QWidget* parent, kivoMDIClient& doc, int theo, int point);
};
class THeightForm : public TObsListForm {
    Q_OBJECT
public:
    THeightForm(QWidget* parent, kivoMDIClient& doc, int theo, int point);
};
class TPointDistForm : public TObsListForm {
    Q_OBJECT
public:
    TPointDistForm(QWidget* parent, kivoMDIClient& doc, int point1, int point2);
};
class TPointHeightForm : public TObsListForm {
    Q_OBJECT
public:
    TPointHeightForm(QWidget* parent, kivoMDIClient& doc, int point1, int point2);
};

} // namespace kivo::forms
