#pragma once
// The shape every form shares: a modal dialog whose controls carry their numeric id in their
// object name ("ctl<id>"), OK (1), Cancel (2) and Help (998) buttons, a set-up step that fills the
// controls from the document and CanClose, which reads them back on OK. Only a true CanClose closes
// the form with OK; Cancel writes nothing.

#include <QDialog>
#include <QLineEdit>
#include <string>

#include "forms/control_ids.h"

class QDialogButtonBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace kivo {
class kivoMDIClient;
}

namespace kivo::forms {

// Registers the help pages (":/forms_help/ctx_<N>.html") with the resource system.
void EnsureHelpPages();

// Object name of the control with id `id`.
QString CtlName(int id);

// An edit for a number: framed in red while its text does not read as a number (an untouched empty
// edit is left plain), so the user sees that the value will not be taken.
class NumberEdit : public QLineEdit {
    Q_OBJECT
public:
    NumberEdit(bool integer, QWidget* parent = nullptr);
    bool IsNumber() const;
    bool Marked() const { return marked_; }

private:
    void Check();
    bool integer_;
    bool marked_ = false;
};

class TForm : public QDialog {
    Q_OBJECT
public:
    // helpContext 0: the form has no Help button. withCancel false: OK only.
    TForm(QWidget* parent, kivoMDIClient& doc, const char* caption, int templateId, int helpContext,
          bool withCancel = true);

    void accept() override;
    // Opens the form's help page through the installed help handler; false when none is installed.
    bool THelp();
    int HelpContext() const { return helpContext_; }
    int TemplateId() const { return templateId_; }

    // The control with id `id` (nullptr if the form has none).
    QWidget* Item(int id) const;
    template <class W> W* ItemAs(int id) const { return qobject_cast<W*>(Item(id)); }

protected:
    virtual bool CanClose() { return true; }

    kivoMDIClient& doc_;
    // The layout the form's controls go into; the button row is below it.
    QVBoxLayout* Body() const { return body_; }
    QDialogButtonBox* Buttons() const { return buttons_; }

    // Control factories: each names the control after its id.
    QLineEdit* MakeEdit(int id, int maxLength = 0);
    NumberEdit* MakeNumber(int id, bool integer = false);
    QLabel* MakeStatic(int id, const QString& text = QString());
    QPushButton* MakeButton(int id, const QString& text);
    QRadioButton* MakeRadio(int id, const QString& text);
    // The unit shown after a field ("m", "gon"); named after the field's id with "Unit" appended.
    QLabel* MakeUnit(int id, const QString& unit);
    // The name of the project's length unit: "m", "mm", "ft" or "in".
    QString LengthUnit() const;

    // SetDlgItemText / GetDlgItemText. An edit remembers the text the form gave it, so that what
    // the user changed can be told from what the form showed.
    void SetItemText(int id, const std::string& text);
    std::string ItemText(int id) const;
    // The edit's text is no longer the one the form put there: the user changed it.
    bool Edited(int id) const;
    // Scans the control's text ("%lf" / "%d") into `field`. An edit the user left as shown keeps
    // `field` exactly (the text may show fewer digits than it holds); a text that is not a number
    // keeps it as well. Returns false only for an edited text that is not a number.
    bool ScanItem(int id, double& field) const;
    bool ScanItem(int id, int& field) const;
    // Tells the user why the form cannot be taken and puts the cursor into control `id`.
    void Refuse(int id, const std::string& text);
    // Refuses an edit the user changed to a text that is not a number ("The X value "abc" is not a
    // number."); true when it did. `what` names the value.
    bool RefuseNotANumber(int id, const std::string& what, bool integer = false);
    bool IsChecked(int id) const;
    void SetChecked(int id, bool on);
    void EnableItem(int id, bool on);

private:
    QVBoxLayout* body_;
    QDialogButtonBox* buttons_;
    int templateId_;
    int helpContext_;
};

} // namespace kivo::forms
