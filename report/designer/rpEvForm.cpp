#include "report/designer/rpEvForm.h"

#include "platform/controls/FormFont.h"
#include "platform/graphics/Color.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/designer/rpVaredForm.h"
#include "report/rpComponents.h"
#include "report/rpCtrls.h"
#include "report/rpDataHelpers.h"
#include "report/rpGlobals.h"
#include "report/rpInterpretator.h"
#include "report/rpReport.h"
#include "report/rpStream.h"
#include "report/rpStrings.h"

#include <QBuffer>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

namespace {

// A sheet glyph for the copy and paste buttons (two sheets for copy, a sheet on a board for paste).
QImage sheetGlyph(bool paste)
{
    QImage g(16, 16, QImage::Format_RGB32);
    g.fill(qRgb(128, 128, 0));
    QPainter p(&g);
    p.setPen(Qt::black);
    if (paste) {
        p.setBrush(QColor(160, 120, 60));
        p.drawRect(1, 2, 10, 13);
        p.setBrush(Qt::white);
        p.drawRect(6, 6, 8, 9);
    } else {
        p.setBrush(Qt::white);
        p.drawRect(1, 1, 8, 10);
        p.drawRect(6, 5, 8, 10);
    }
    return g;
}

} // namespace

QByteArray& rpVariablesClipboard()
{
    static QByteArray clipboard;
    return clipboard;
}

TrpEvForm::TrpEvForm(TrpReport* report, QWidget* parent) : QDialog(parent), report_(report)
{
    ctl::SetFormFont(this);
    setObjectName(QStringLiteral("TrpEvForm"));
    setWindowTitle(rpLoadStr(53340));
    Label1 = new QLabel(rpLoadStr(53341), this);
    VarCombo = new QComboBox(this);
    VarList = new QListWidget(this);
    Label1->setBuddy(VarCombo);
    Label2 = new QLabel(rpLoadStr(53342), this);
    ValCombo = new QComboBox(this);
    ValList = new QListWidget(this);
    Label2->setBuddy(ValCombo);
    Label3 = new QLabel(rpLoadStr(53343), this);
    Edit1 = new QLineEdit(this);
    Label3->setBuddy(Edit1);
    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    SB1 = new TrpSpeedButton(this);
    SB1->setToolTip(rpLoadStr(53344));
    SB1->SetGlyph(sheetGlyph(false));
    SB1->setFixedSize(25, 25);
    SB2 = new TrpSpeedButton(this);
    SB2->setToolTip(rpLoadStr(53345));
    SB2->SetGlyph(sheetGlyph(true));
    SB2->setFixedSize(25, 25);
    Button3 = new QPushButton(rpLoadStr(53346), this);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Label2, 0, 1);
    grid->addWidget(VarCombo, 1, 0);
    grid->addWidget(ValCombo, 1, 1);
    grid->addWidget(VarList, 2, 0);
    grid->addWidget(ValList, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    auto* expression = new QHBoxLayout;
    expression->addWidget(Label3);
    expression->addWidget(Edit1, 1);
    QHBoxLayout* buttons = rpOkCancelRow(this, Button1, Button2);
    buttons->insertWidget(0, SB1);
    buttons->insertWidget(1, SB2);
    buttons->insertWidget(2, Button3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(expression);
    layout->addWidget(Bevel1);
    layout->addLayout(buttons);
    resize(440, 360);

    connect(VarCombo, &QComboBox::activated, this, [this] { VarComboClick(); });
    connect(VarList, &QListWidget::currentRowChanged, this, [this] { VarListClick(); });
    connect(ValCombo, &QComboBox::activated, this, [this] { ValComboClick(); });
    connect(ValList, &QListWidget::itemClicked, this, [this] { ValListClick(); });
    // The expression is stored as it is typed, so that no way of leaving the box can lose it.
    connect(Edit1, &QLineEdit::textEdited, this, [this] { StoreValue(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    SB1->OnClick = [this] { SB1Click(); };
    SB2->OnClick = [this] { SB2Click(); };
    ValList->installEventFilter(this);
    Edit1->installEventFilter(this);
}

bool TrpEvForm::otherChosen() const
{
    return ValCombo->currentIndex() == dataSetCount_;
}

bool TrpEvForm::scriptChosen() const
{
    return ValCombo->currentIndex() == dataSetCount_ + 1;
}

void TrpEvForm::Init()
{
    QStringList categories;
    report_->GetCategoryList(categories);
    VarCombo->clear();
    VarCombo->addItems(categories);
    QStringList sources;
    rpGetDataSets(report_->Owner, sources);
    dataSetCount_ = int(sources.size());
    sources << rpLoadStr(55075) << rpLoadStr(55342);
    ValCombo->clear();
    ValCombo->addItems(sources);
    VarCombo->setCurrentIndex(VarCombo->count() ? 0 : -1);
    ValCombo->setCurrentIndex(0);
    VarComboClick();
    ValComboClick();
}

void TrpEvForm::VarComboClick()
{
    const QSignalBlocker quiet(VarList);
    VarList->clear();
    if (VarCombo->currentIndex() < 0)
        return;
    QStringList names;
    report_->GetVarList(VarCombo->currentIndex(), names);
    VarList->addItems(names);
}

void TrpEvForm::ValComboClick()
{
    ValList->clear();
    const QString none = rpLoadStr(55076);
    if (scriptChosen()) {
        ValList->addItem(none);
        const TrpVariables& vars = rpTheVariables();
        for (int i = 0; i < vars.GetCount(); ++i)
            ValList->addItem(vars.GetName(i));
    } else if (otherChosen()) {
        ValList->addItem(none);
        for (int kind = svPage; kind <= svTotalPages; ++kind)
            ValList->addItem(rpSpecialValueName(kind));
    } else if (ValCombo->currentIndex() >= 0) {
        // The data set is looked up on the edited report's owner; one that cannot list its fields shows none.
        CurReport = report_;
        QStringList names;
        try {
            if (TDataSet* d = rpGetDataSet(ValCombo->currentText()))
                rpGetFieldNames(d, names);
        } catch (const std::exception&) {
        }
        names.prepend(none);
        ValList->addItems(names);
    }
    UpdateExpression();
}

void TrpEvForm::UpdateExpression()
{
    const QListWidgetItem* item = ValList->currentItem();
    const bool expression = otherChosen() && item && ValList->row(item) == 1 + svExpression;
    Edit1->setEnabled(expression);
    Label3->setEnabled(expression);
    if (!expression)
        Edit1->clear();
    QPalette palette = Edit1->palette();
    const QColor base = gfx::ToQColor(expression ? gfx::clWindow : gfx::clBtnFace);
    palette.setColor(QPalette::Active, QPalette::Base, base);
    palette.setColor(QPalette::Inactive, QPalette::Base, base);
    palette.setColor(QPalette::Disabled, QPalette::Base, base);
    Edit1->setPalette(palette);
}

void TrpEvForm::VarListClick()
{
    QListWidgetItem* item = VarList->currentItem();
    TrpValue* v = item ? report_->Values.FindVariable(item->text()) : nullptr;
    if (!v)
        return;
    switch (v->Typ) {
    case vtNotAssigned:
        if (ValList->count())
            ValList->setCurrentRow(0);
        UpdateExpression();
        break;
    case vtDBField:
        SelectValue(v->DataSet + QLatin1Char('.') + v->Field);
        break;
    case vtOther:
        SelectValue(rpLoadStr(55075) + QLatin1Char('.') + rpSpecialValueName(v->OtherKind));
        if (v->OtherKind == svExpression && Edit1->isEnabled())
            Edit1->setText(v->Field);
        break;
    case vtRPVar:
        SelectValue(rpLoadStr(55342) + QLatin1Char('.') + v->Field);
        break;
    }
}

void TrpEvForm::SelectValue(const QString& text)
{
    const int dot = text.indexOf(QLatin1Char('.'));
    QString source = text.left(dot);
    QString item = dot < 0 ? QString() : text.mid(dot + 1);
    const int second = item.indexOf(QLatin1Char('.'));
    if (second >= 0) {
        const QString dataSet = item.left(second);
        const bool ownForm = report_->Owner && source.compare(report_->Owner->Name(), Qt::CaseInsensitive) == 0;
        source = ownForm ? dataSet : source + QLatin1Char('.') + dataSet;
        item = item.mid(second + 1);
    }
    const int s = ValCombo->findText(source, Qt::MatchExactly);
    if (s >= 0 && s != ValCombo->currentIndex()) {
        ValCombo->setCurrentIndex(s);
        ValComboClick();
    }
    const QList<QListWidgetItem*> found = ValList->findItems(item, Qt::MatchExactly);
    if (!found.isEmpty())
        ValList->setCurrentItem(found.first());
    UpdateExpression();
}

void TrpEvForm::ValListClick()
{
    UpdateExpression();
    if (VarList->currentItem())
        StoreValue();
}

void TrpEvForm::StoreValue()
{
    const QListWidgetItem* variable = VarList->currentItem();
    const QListWidgetItem* item = ValList->currentItem();
    TrpValue* v = variable ? report_->Values.FindVariable(variable->text()) : nullptr;
    if (!v || !item)
        return;
    const int row = ValList->row(item);
    if (row == 0) {
        v->Typ = vtNotAssigned;
    } else if (otherChosen()) {
        v->Typ = vtOther;
        v->OtherKind = row - 1;
        if (v->OtherKind == svExpression)
            v->Field = Edit1->text();
    } else if (scriptChosen()) {
        v->Typ = vtRPVar;
        v->Field = item->text();
    } else {
        v->Typ = vtDBField;
        v->DataSet = ValCombo->currentText();
        v->Field = item->text();
        v->OtherKind = 0;
    }
}

void TrpEvForm::SB1Click()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    report_->Values.WriteBinaryData(buffer);
    rpWriteMemo(buffer, report_->Variables);
    rpVariablesClipboard() = buffer.data();
    SB2->setEnabled(true);
}

void TrpEvForm::SB2Click()
{
    QByteArray bytes = rpVariablesClipboard();
    if (bytes.isEmpty())
        return;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    report_->Values.ReadBinaryData(buffer);
    QStringList lines;
    rpReadMemo(buffer, lines);
    report_->SetVars(lines);
    Init();
}

void TrpEvForm::Button3Click()
{
    TrpVaredForm list(report_, this);
    if (ctl::ExecDialog(list) != Accepted)
        return;
    report_->SetVars(list.Lines());
    TrpValues& values = report_->Values;
    for (int i = values.Count() - 1; i >= 0; --i)
        if (report_->FindVariable(values.Name(i)) < 0)
            values.Delete(i);
    QStringList categories;
    report_->GetCategoryList(categories);
    for (int c = 0; c < categories.size(); ++c) {
        QStringList names;
        report_->GetVarList(c, names);
        for (const QString& name : names)
            if (!values.FindVariable(name))
                values.SetName(values.AddValue(), name);
    }
    VarCombo->clear();
    VarCombo->addItems(categories);
    VarCombo->setCurrentIndex(VarCombo->count() ? 0 : -1);
    VarComboClick();
}

void TrpEvForm::done(int result)
{
    if (result == Accepted)
        StoreValue();
    QDialog::done(result);
}

bool TrpEvForm::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == ValList || watched == Edit1) && event->type() == QEvent::FocusOut)
        StoreValue();
    return QDialog::eventFilter(watched, event);
}

bool ShowEvEditor(TrpReport* report, QWidget* parent)
{
    if (!report)
        return false;
    TrpEvForm form(report, parent);
    // An exact copy, not the stream form: nothing of a long expression may be lost on Cancel.
    form.backupValues_.Assign(report->Values);
    form.backupVariables_ = report->Variables;
    form.Init();
    form.SB2->setEnabled(!rpVariablesClipboard().isEmpty());
    const bool accepted = ctl::ExecDialog(form) == QDialog::Accepted;
    if (!accepted) {
        report->Values.Assign(form.backupValues_);
        report->Variables = form.backupVariables_;
    }
    return accepted;
}
