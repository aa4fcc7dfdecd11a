#include "forms/form_base.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "adjustment/kivoMDIClient.h"
#include "forms/forms.h"
#include "model/form_values.h"

// The help pages are compiled into this static library; registering them here makes sure the
// linker keeps them.
static void InitFormsResources() {
    static bool done = false;
    if (done) return;
    done = true;
    Q_INIT_RESOURCE(forms);
}

namespace kivo::forms {

void EnsureHelpPages() {
    InitFormsResources();
}

namespace {
std::function<void(int)>& HelpHandler() {
    static std::function<void(int)> handler;
    return handler;
}
} // namespace

void SetHelpHandler(std::function<void(int contextId)> handler) {
    HelpHandler() = std::move(handler);
}

QString CtlName(int id) {
    return QStringLiteral("ctl%1").arg(id);
}

NumberEdit::NumberEdit(bool integer, QWidget* parent) : QLineEdit(parent), integer_(integer) {
    connect(this, &QLineEdit::textChanged, this, &NumberEdit::Check);
}

bool NumberEdit::IsNumber() const {
    std::string t = text().toStdString();
    if (integer_) {
        int v;
        return ScanInt(t, v);
    }
    double v;
    return ScanReal(t, v);
}

void NumberEdit::Check() {
    bool mark = !IsNumber() && (!text().isEmpty() || isModified());
    if (mark == marked_) return;
    marked_ = mark;
    setStyleSheet(mark ? QStringLiteral("QLineEdit { border: 2px solid #d00000; }") : QString());
    setToolTip(mark ? tr("Not a number: the value is not taken") : QString());
}

TForm::TForm(QWidget* parent, kivoMDIClient& doc, const char* caption, int templateId, int helpContext,
             bool withCancel)
    : QDialog(parent), doc_(doc), templateId_(templateId), helpContext_(helpContext) {
    InitFormsResources();
    setWindowTitle(QString::fromLatin1(caption));
    setObjectName(QStringLiteral("form%1").arg(templateId));
    setModal(true);
    auto* outer = new QVBoxLayout(this);
    body_ = new QVBoxLayout;
    outer->addLayout(body_);
    QDialogButtonBox::StandardButtons std = QDialogButtonBox::Ok;
    if (withCancel) std |= QDialogButtonBox::Cancel;
    if (helpContext > 0) std |= QDialogButtonBox::Help;
    buttons_ = new QDialogButtonBox(std, this);
    buttons_->button(QDialogButtonBox::Ok)->setObjectName(CtlName(ctl::Ok));
    if (withCancel) buttons_->button(QDialogButtonBox::Cancel)->setObjectName(CtlName(ctl::Cancel));
    if (helpContext > 0) {
        buttons_->button(QDialogButtonBox::Help)->setObjectName(CtlName(ctl::Help));
        connect(buttons_, &QDialogButtonBox::helpRequested, this, [this] { THelp(); });
    }
    connect(buttons_, &QDialogButtonBox::accepted, this, &TForm::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &TForm::reject);
    outer->addWidget(buttons_);
}

void TForm::accept() {
    if (CanClose()) QDialog::accept();
}

bool TForm::THelp() {
    auto& handler = HelpHandler();
    if (!handler || helpContext_ <= 0) return false;
    handler(helpContext_);
    return true;
}

QWidget* TForm::Item(int id) const {
    return findChild<QWidget*>(CtlName(id));
}

QLineEdit* TForm::MakeEdit(int id, int maxLength) {
    auto* e = new QLineEdit(this);
    e->setObjectName(CtlName(id));
    if (maxLength > 0) e->setMaxLength(maxLength);
    return e;
}

NumberEdit* TForm::MakeNumber(int id, bool integer) {
    auto* e = new NumberEdit(integer, this);
    e->setObjectName(CtlName(id));
    return e;
}

QLabel* TForm::MakeUnit(int id, const QString& unit) {
    auto* l = new QLabel(unit, this);
    l->setObjectName(CtlName(id) + QStringLiteral("Unit"));
    return l;
}

QString TForm::LengthUnit() const {
    static const char* const names[4] = {"m", "mm", "ft", "in"};
    return QString::fromLatin1(names[doc_.units >= 0 && doc_.units < 4 ? doc_.units : 0]);
}

QLabel* TForm::MakeStatic(int id, const QString& text) {
    auto* l = new QLabel(text, this);
    if (id > 0) l->setObjectName(CtlName(id));
    return l;
}

QPushButton* TForm::MakeButton(int id, const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(CtlName(id));
    b->setAutoDefault(false);
    return b;
}

QRadioButton* TForm::MakeRadio(int id, const QString& text) {
    auto* r = new QRadioButton(text, this);
    r->setObjectName(CtlName(id));
    return r;
}

namespace {
// The property an edit keeps the text the form gave it in.
constexpr const char* kShownText = "kivoShownText";
} // namespace

void TForm::SetItemText(int id, const std::string& text) {
    QWidget* w = Item(id);
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        const QString shown = QString::fromLatin1(text.c_str());
        e->setProperty(kShownText, shown);
        e->setText(shown);
    } else if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(QString::fromLatin1(text.c_str()));
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(QString::fromLatin1(text.c_str()));
}

static std::string ItemTextOf(QWidget* w) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().toLatin1().toStdString();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toLatin1().toStdString();
    return {};
}

std::string TForm::ItemText(int id) const {
    return ItemTextOf(Item(id));
}

bool TForm::Edited(int id) const {
    auto* e = ItemAs<QLineEdit>(id);
    if (!e) return false;
    const QVariant shown = e->property(kShownText);
    return !shown.isValid() || shown.toString() != e->text();
}

bool TForm::ScanItem(int id, double& field) const {
    if (!Edited(id)) return true;
    double v = 0;
    if (!ScanReal(ItemText(id), v) || !std::isfinite(v)) return false;
    field = v;
    return true;
}

bool TForm::ScanItem(int id, int& field) const {
    return !Edited(id) || ScanInt(ItemText(id), field);
}

bool TForm::RefuseNotANumber(int id, const std::string& what, bool integer) {
    double real = 0;
    int whole = 0;
    if (integer ? ScanItem(id, whole) : ScanItem(id, real)) return false;
    const std::string typed = ItemText(id);
    const std::size_t first = typed.find_first_not_of(" \t");
    Refuse(id, first == std::string::npos
                   ? "The " + what + " is empty: it must be a number."
                   : "The " + what + " \"" + typed.substr(first) + "\" is not a number.");
    return true;
}

void TForm::Refuse(int id, const std::string& text) {
    QMessageBox::warning(this, QStringLiteral("KIVO"), QString::fromStdString(text));
    if (QWidget* w = Item(id)) {
        w->setFocus();
        if (auto* e = qobject_cast<QLineEdit*>(w)) e->selectAll();
    }
}

bool TForm::IsChecked(int id) const {
    auto* b = ItemAs<QAbstractButton>(id);
    return b && b->isChecked();
}

void TForm::SetChecked(int id, bool on) {
    if (auto* b = ItemAs<QAbstractButton>(id)) b->setChecked(on);
}

void TForm::EnableItem(int id, bool on) {
    if (QWidget* w = Item(id)) w->setEnabled(on);
}

} // namespace kivo::forms
