#include "report/designer/rpInsertFieldsForm.h"

#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/graphics/Bitmap.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDesignerPage.h"
#include "report/rpBandView.h"
#include "report/rpComponents.h"
#include "report/rpDBDataSet.h"
#include "report/rpDataHelpers.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpReport.h"
#include "report/rpStrings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TrpInsertFieldsForm::TrpInsertFieldsForm(const TrpOwner* owner, QWidget* parent) : QDialog(parent), owner_(owner)
{
    setObjectName(QStringLiteral("rpInsertFieldsForm"));
    setWindowTitle(rpLoadStr(53630));
    FieldsL = new QListWidget(this);
    FieldsL->setObjectName(QStringLiteral("FieldsL"));
    FieldsL->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FieldsL->setMinimumWidth(160);
    DatasetCB = new QComboBox(this);
    DatasetCB->setObjectName(QStringLiteral("DatasetCB"));
    DatasetCB->setMinimumWidth(180);
    Label1 = new QLabel(rpLoadStr(53631), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(DatasetCB);
    GroupBox1 = new QGroupBox(rpLoadStr(53632), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    HorzRB = new QRadioButton(rpLoadStr(53633), GroupBox1);
    HorzRB->setObjectName(QStringLiteral("HorzRB"));
    HorzRB->setChecked(true);
    VertRB = new QRadioButton(rpLoadStr(53634), GroupBox1);
    VertRB->setObjectName(QStringLiteral("VertRB"));
    auto* placement = new QVBoxLayout(GroupBox1);
    placement->addWidget(HorzRB);
    placement->addWidget(VertRB);
    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    HeaderCB = new QCheckBox(rpLoadStr(53635), GroupBox2);
    HeaderCB->setObjectName(QStringLiteral("HeaderCB"));
    HeaderCB->setChecked(true);
    BandCB = new QCheckBox(rpLoadStr(53636), GroupBox2);
    BandCB->setObjectName(QStringLiteral("BandCB"));
    auto* include = new QVBoxLayout(GroupBox2);
    include->addWidget(HeaderCB);
    include->addWidget(BandCB);

    auto* right = new QVBoxLayout;
    right->addWidget(Label1);
    right->addWidget(DatasetCB);
    right->addWidget(GroupBox1);
    right->addWidget(GroupBox2);
    right->addStretch(1);
    right->addLayout(rpOkCancelRow(this, Button1, Button2));
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(FieldsL, 1);
    layout->addLayout(right);
    resize(420, 300);

    connect(DatasetCB, &QComboBox::currentIndexChanged, this, [this] { DatasetCBChange(); });
}

void TrpInsertFieldsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QStringList names;
    rpGetDataSets(owner_, names);
    {
        const QSignalBlocker block(DatasetCB);
        DatasetCB->clear();
        DatasetCB->addItems(names);
        DatasetCB->setCurrentIndex(names.isEmpty() ? -1 : 0);
    }
    DatasetCBChange();
}

void TrpInsertFieldsForm::DatasetCBChange()
{
    FieldsL->clear();
    DataSet = DatasetCB->currentIndex() >= 0 ? rpGetDataSet(DatasetCB->currentText()) : nullptr;
    if (!DataSet)
        return;
    QStringList fields;
    rpGetFieldNames(DataSet, fields);
    FieldsL->addItems(fields);
}

QStringList TrpInsertFieldsForm::SelectedFields() const
{
    QStringList names;
    for (int i = 0; i < FieldsL->count(); ++i)
        if (FieldsL->item(i)->isSelected())
            names.append(FieldsL->item(i)->text());
    return names;
}

QString rpFindDataSetName(const TrpOwner* owner, const TDataSet* dataSet)
{
    if (!dataSet)
        return QString();
    for (const TrpOwner* o : rpDesignOwners(owner))
        for (const TrpComponent& c : o->Components()) {
            auto* db = dynamic_cast<TrpDBDataSet*>(c.RpDataSet);
            if (!db)
                continue;
            TDataSet* linked = nullptr;
            try {
                linked = db->GetDataSet();
            } catch (const std::exception&) {
                // A report data set bound to nothing yet.
            }
            if (linked == dataSet)
                return o == owner ? c.Name : o->Name() + QLatin1Char('.') + c.Name;
        }
    return QString();
}

// ---- laying the fields out ----------------------------------------------------------------------------

void TrpDesignerForm::InsFieldsClick()
{
    TrpReport* report = Report();
    if (!report || !Page)
        return;
    TrpInsertFieldsForm form(report->Owner, this);
    if (ctl::ExecDialog(form) != QDialog::Accepted || !form.DataSet || form.FieldsL->count() == 0)
        return;
    const QStringList fields = form.SelectedFields();
    if (fields.isEmpty())
        return;
    const bool headers = form.HeaderCB->isChecked();
    const bool horizontal = form.HorzRB->isChecked();
    const QString entry = form.DatasetCB->currentText();
    const int left = Page->LeftMargin();
    const int top = Page->TopMargin();
    int x = left;
    int y = top;
    Unselect();
    SelectedCount = 0;
    ReferenceView = nullptr;
    QList<TrpView*> H;
    QList<TrpView*> F;
    gfx::TBitmap measure(8, 8);
    auto textView = [&](bool bold, const QString& text, int at, int atY, const QString& widthText) {
        auto* v = new TrpMemoView;
        objects().append(v);
        v->CreateUniqueName();
        int w = 0, h = 0;
        GetDefaultSize(w, h);
        if (!LastStyle.FontName.isEmpty())
            v->Font.SetName(LastStyle.FontName);
        v->Font.SetSize(LastStyle.FontSize);
        v->Font.SetStyle(bold ? gfx::TFontStyles(gfx::fsBold) : 0u);
        measure.Canvas().Font().Assign(v->Font);
        w = measure.Canvas().TextWidth(widthText) / GridSize * GridSize;
        v->SetBounds(at, atY, w, h);
        v->Memo = QStringList{text};
        v->Selected = true;
        ++SelectedCount;
        return v;
    };
    TrpView* last = nullptr;
    for (const QString& name : fields) {
        TField* field = form.DataSet->FindField(name);
        int chars = field ? field->DisplayWidth() : 0;
        if (chars == 0 || chars >= 256)
            chars = 6;
        const QString header = field ? field->DisplayLabel() : name;
        const QString cell = QStringLiteral("[") + entry + QStringLiteral(".\"") + name + QStringLiteral("\"]");
        const QString dataWidth(chars, QLatin1Char('='));
        if (headers) {
            TrpView* h = textView(true, header, x, y, header + QStringLiteral("   "));
            H.append(h);
            last = horizontal ? textView(false, cell, x, y + 72, dataWidth)
                              : textView(false, cell, h->x + h->dx + 2 * GridSize, y, dataWidth);
        } else {
            last = textView(false, cell, x, y, dataWidth);
        }
        F.append(last);
        if (horizontal)
            x += last->dx + GridSize;
        else
            y += last->dy + GridSize;
    }

    if (horizontal) {
        // Fields wider than the printable width are scaled to it.
        const int r = F.last()->x + F.last()->dx;
        const int a = Page->RightMargin() - left;
        if (a > 0 && a < r) {
            const double k = double(r) / a;
            for (int i = 0; i < F.size(); ++i) {
                F[i]->x = rpRound((F[i]->x - left) / k) + left;
                F[i]->dx = rpRound(F[i]->dx / k);
                if (headers) {
                    H[i]->x = rpRound((H[i]->x - left) / k) + left;
                    if (F[i]->dx < H[i]->dx)
                        H[i]->dx = F[i]->dx;
                }
            }
        }
    }

    if (form.BandCB->isChecked()) {
        const TrpView* v = headers ? H.last() : F.last();
        const int h = v->y + v->dy - top;
        const QString source = rpFindDataSetName(report->Owner, form.DataSet);
        auto band = [&](int type, int atY) {
            auto* b = new TrpBandView;
            b->SetBandType(type);
            b->BaseName = rpBandBaseName(type);
            objects().append(b);
            b->CreateUniqueName();
            b->SetBounds(0, atY, Page->PrnInfo.Pgw, h);
            b->Selected = true;
            ++SelectedCount;
            return b;
        };
        if (headers && horizontal) {
            if (!rpCheckBand(btPageHeader))
                band(btPageHeader, top);
            band(btMasterData, top + 72)->FormatStr = source;
        } else {
            band(btMasterData, top)->FormatStr = source;
        }
    }

    SelectionChanged();
    SendBandsToBack();
    PageSurface->GetMultipleSelected();
    RedrawPage();
    AddUndoAction(acInsert);
}
