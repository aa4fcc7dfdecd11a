#pragma once
// The element forms: one theodolite, point or scale bar edited in place, and the read-only
// ellipse values of a theodolite or point.

#include <QButtonGroup>

#include "forms/form_base.h"

namespace kivo::forms {

// Shared by the three element forms: name, abbreviation, the three coordinate rows and the
// "Ellipse..." button. kind: 1 theodolite, 2 point, 3 scale bar.
class TElementForm : public TForm {
    Q_OBJECT
public:
    TElementForm(QWidget* parent, kivoMDIClient& doc, int kind, int slot);
    int Index() const { return index_; }

protected:
    bool CanClose() override;
    // Fix/Apx/Unk radio group of component k (0..5); the three ids are first, first+1, first+2.
    void AddStatusGroup(int k, int firstId);
    // The Fix/Apx/Unk choice of component k as the radio buttons stand.
    int StatusChoice(int k) const;
    void TEllipse();

    int kind_;
    int index_;
    QButtonGroup* status_[6] = {};
    int shownChoice_[6] = {}; // the choice each status group was opened with
};

class TTheoForm : public TElementForm {
    Q_OBJECT
public:
    TTheoForm(QWidget* parent, kivoMDIClient& doc, int slot);
};

class TPointForm : public TElementForm {
    Q_OBJECT
public:
    TPointForm(QWidget* parent, kivoMDIClient& doc, int slot);
};

class TSBarForm : public TElementForm {
    Q_OBJECT
public:
    TSBarForm(QWidget* parent, kivoMDIClient& doc, int slot);
};

class TEllipseForm : public TForm {
    Q_OBJECT
public:
    // kind 1 theodolite, 2 point; any other kind shows no values.
    TEllipseForm(QWidget* parent, kivoMDIClient& doc, int kind, int slot);
};

} // namespace kivo::forms
