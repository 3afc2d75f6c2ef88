#include "report/designer/rpBandDialogs.h"

#include "report/designer/rpDesignerDialogs.h"
#include "report/designer/rpFieldsForm.h"

#include "platform/controls/MessageBox.h"
#include "report/rpBandView.h"
#include "report/rpCtrls.h"
#include "report/rpDataHelpers.h"
#include "report/rpGlobals.h"
#include "report/rpPage.h"
#include "report/rpReport.h"
#include "report/rpStrings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

constexpr int noneChoice = 0;
constexpr int virtualChoice = 1;

// The source box of a data band dialog: the choices above the record count, which is open only for a
// virtual data set.
void buildSourceBox(QGroupBox* box, QComboBox*& choices, QLabel*& label, const char* labelName, int labelText,
                    QLineEdit*& count)
{
    choices = new QComboBox(box);
    choices->setObjectName(QStringLiteral("CB1"));
    choices->setMinimumWidth(200);
    label = new QLabel(rpLoadStr(labelText), box);
    label->setObjectName(QString::fromLatin1(labelName));
    count = new QLineEdit(box);
    count->setObjectName(QStringLiteral("Edit1"));
    count->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), count));
    label->setBuddy(count);
    auto* grid = new QGridLayout(box);
    grid->addWidget(choices, 0, 0, 1, 2);
    grid->addWidget(label, 1, 0);
    grid->addWidget(count, 1, 1);
    grid->setRowStretch(2, 1);
}

void enableCount(const QComboBox* choices, QLabel* label, QLineEdit* count)
{
    label->setEnabled(choices->currentIndex() == virtualChoice);
    count->setEnabled(choices->currentIndex() == virtualChoice);
}

// The band's text after an undo step.
void setBandText(TrpBandView* band, const QString& text)
{
    if (rpDesigner)
        rpDesigner->BeforeChange();
    band->FormatStr = text;
}

void fillChoices(QComboBox* box)
{
    box->clear();
    box->addItems(rpDataSourceChoices());
}

// Chooses the entry a source text stands for: a record count, a data set of the list, else "[None]".
void chooseSource(QComboBox* box, QLineEdit* count, const QString& text)
{
    if (rpIsVirtualSource(text)) {
        box->setCurrentIndex(virtualChoice);
        count->setText(text);
        return;
    }
    const int at = box->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    box->setCurrentIndex(at >= 0 ? at : noneChoice);
}

QString chosenSource(const QComboBox* box, const QLineEdit* count)
{
    return box->currentIndex() == virtualChoice ? count->text() : box->currentText();
}

// A virtual data set needs a record count of at least one.
bool sourceValid(const QComboBox* box, const QLineEdit* count)
{
    if (box->currentIndex() != virtualChoice || rpIsVirtualSource(count->text()))
        return true;
    ctl::MessageBox(QStringLiteral("The record count must be a whole number from 1."), rpLoadStr(53480),
                    ctl::MB_OK | ctl::MB_ICONWARNING);
    return false;
}

} // namespace

bool rpIsVirtualSource(const QString& text)
{
    return !text.isEmpty() && text[0] >= QLatin1Char('1') && text[0] <= QLatin1Char('9');
}

QString rpCrossBandSource(const QString& text, const QString& bandName)
{
    const QString key = bandName + QLatin1Char('=');
    int from = 0;
    while (from <= text.size()) {
        if (text.mid(from, key.size()).compare(key, Qt::CaseInsensitive) == 0) {
            const int start = from + int(key.size());
            const int end = text.indexOf(QLatin1Char(';'), start);
            return text.mid(start, end < 0 ? -1 : end - start);
        }
        const int next = text.indexOf(QLatin1Char(';'), from);
        if (next < 0)
            break;
        from = next + 1;
    }
    if (!text.contains(QLatin1Char(';')))
        return text;
    return QStringLiteral("0");
}

QStringList rpDataSourceChoices()
{
    QStringList list{rpLoadStr(55076), rpLoadStr(55333)};
    QStringList sets;
    rpGetComponents(CurReport ? CurReport->Owner : nullptr, sets);
    list += sets;
    return list;
}

// ---- band type chooser ---------------------------------------------------------------------------------

TrpBandTypesForm::TrpBandTypesForm(const std::function<bool(int)>& bandPresent, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("rpBandTypesForm"));
    setWindowTitle(rpLoadStr(53510));
    GB1 = new QGroupBox(rpLoadStr(53511), this);
    GB1->setObjectName(QStringLiteral("GB1"));
    int columnWidth[2] = {0, 0};
    for (int t = 0; t <= btCrossFooter; ++t) {
        auto* b = new QRadioButton(rpBandName(t), GB1);
        b->setObjectName(QStringLiteral("RB%1").arg(t));
        b->setProperty("Tag", t);
        b->adjustSize();
        columnWidth[t <= 10 ? 0 : 1] = std::max(columnWidth[t <= 10 ? 0 : 1], b->width());
        const bool repeatable = (t >= btMasterHeader && t <= btSubDetailFooter) || t == btGroupHeader ||
                                t == btGroupFooter;
        b->setEnabled(repeatable || !(bandPresent && bandPresent(t)));
        connect(b, &QRadioButton::clicked, this, [this, t] { BandType = t; });
        Buttons.append(b);
    }
    // The second column stands at 130 unless the first one's names need more room.
    const int second = std::max(130, 8 + columnWidth[0] + 12);
    for (int t = 0; t <= btCrossFooter; ++t) {
        const int row = t <= 10 ? t : t - 11;
        Buttons[t]->move(t <= 10 ? 8 : second, 20 + 20 * row);
    }
    GB1->setFixedSize(second + columnWidth[1] + 8, 20 + 20 * 11 + 6);
    for (QRadioButton* b : Buttons)
        if (b->isEnabled()) {
            b->setChecked(true);
            BandType = b->property("Tag").toInt();
            break;
        }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GB1);
    layout->addLayout(rpOkCancelRow(this, Button1, Button2));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

// ---- band data source ----------------------------------------------------------------------------------

TrpBandEditorForm::TrpBandEditorForm(QWidget* parent) : TrpObjEditorForm(parent)
{
    setObjectName(QStringLiteral("rpBandEditorForm"));
    setWindowTitle(rpLoadStr(53480));
    GB1 = new QGroupBox(rpLoadStr(53481), this);
    GB1->setObjectName(QStringLiteral("GB1"));
    buildSourceBox(GB1, CB1, Label2, "Label2", 53482, Edit1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GB1);
    layout->addLayout(rpOkCancelRow(this, Button1, Button2));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(CB1, &QComboBox::currentIndexChanged, this, [this] { enableCount(CB1, Label2, Edit1); });
    fillChoices(CB1);
    ShowSource(QString());
}

void TrpBandEditorForm::ShowSource(const QString& text)
{
    fillChoices(CB1);
    Edit1->clear();
    chooseSource(CB1, Edit1, text);
    enableCount(CB1, Label2, Edit1);
}

QString TrpBandEditorForm::Source() const
{
    return chosenSource(CB1, Edit1);
}

void TrpBandEditorForm::done(int result)
{
    if (result == Accepted && !sourceValid(CB1, Edit1))
        return;
    TrpObjEditorForm::done(result);
}

void TrpBandEditorForm::ShowEditor(TrpView* view)
{
    auto* band = dynamic_cast<TrpBandView*>(view);
    if (!band)
        return;
    ShowSource(band->FormatStr);
    if (ctl::ExecDialog(*this) == Accepted)
        setBandText(band, Source());
}

// ---- cross band data sources ---------------------------------------------------------------------------

TrpVBandEditorForm::TrpVBandEditorForm(QWidget* parent) : TrpObjEditorForm(parent)
{
    setObjectName(QStringLiteral("rpVBandEditorForm"));
    setWindowTitle(rpLoadStr(53485));
    GroupBox1 = new QGroupBox(rpLoadStr(53486), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    LB1 = new QListWidget(GroupBox1);
    LB1->setObjectName(QStringLiteral("LB1"));
    (new QVBoxLayout(GroupBox1))->addWidget(LB1);
    GroupBox2 = new QGroupBox(rpLoadStr(53487), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    buildSourceBox(GroupBox2, CB1, Label1, "Label1", 53488, Edit1);
    auto* top = new QHBoxLayout;
    top->addWidget(GroupBox1);
    top->addWidget(GroupBox2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(rpOkCancelRow(this, Button1, Button2));
    fillChoices(CB1);
    connect(CB1, &QComboBox::currentIndexChanged, this, [this] {
        enableCount(CB1, Label1, Edit1);
        storeLine();
    });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { storeLine(); });
    connect(LB1, &QListWidget::currentRowChanged, this, [this](int row) { showLine(row); });
}

QString TrpVBandEditorForm::lineName(int row) const
{
    return row >= 0 && row < BandNames.size() ? BandNames[row] : QString();
}

void TrpVBandEditorForm::showLine(int row)
{
    if (row < 0 || row >= BandNames.size())
        return;
    filling_ = true;
    Edit1->clear();
    chooseSource(CB1, Edit1, Sources.value(lineName(row)));
    enableCount(CB1, Label1, Edit1);
    filling_ = false;
}

void TrpVBandEditorForm::storeLine()
{
    if (filling_ || LB1->currentRow() < 0)
        return;
    Sources[lineName(LB1->currentRow())] = chosenSource(CB1, Edit1);
}

bool TrpVBandEditorForm::Fill(TrpBandView* cross)
{
    filling_ = true;
    LB1->clear();
    BandNames.clear();
    Sources.clear();
    if (rpDesigner && rpDesigner->Page)
        for (TrpView* v : rpDesigner->Page->Objects) {
            auto* band = dynamic_cast<TrpBandView*>(v);
            if (!band)
                continue;
            const int t = band->GetBandType();
            if (t < btMasterHeader || t == btOverlay || (t >= btCrossHeader && t <= btCrossFooter))
                continue;
            LB1->addItem(band->Name + QStringLiteral(": ") + rpBandName(t));
            BandNames.append(band->Name);
            Sources[band->Name] = rpCrossBandSource(cross->FormatStr, band->Name);
        }
    fillChoices(CB1);
    filling_ = false;
    if (BandNames.isEmpty())
        return false;
    LB1->setCurrentRow(0);
    showLine(0);
    return true;
}

QString TrpVBandEditorForm::Text() const
{
    QString text;
    for (const QString& name : BandNames)
        text += name + QLatin1Char('=') + Sources.value(name) + QLatin1Char(';');
    return text;
}

void TrpVBandEditorForm::done(int result)
{
    if (result == Accepted && !sourceValid(CB1, Edit1))
        return;
    TrpObjEditorForm::done(result);
}

void TrpVBandEditorForm::ShowEditor(TrpView* view)
{
    auto* cross = dynamic_cast<TrpBandView*>(view);
    if (!cross || !Fill(cross) || ctl::ExecDialog(*this) != Accepted)
        return;
    storeLine();
    setBandText(cross, Text());
}

// ---- group condition -----------------------------------------------------------------------------------

TrpGroupEditorForm::TrpGroupEditorForm(QWidget* parent) : TrpObjEditorForm(parent)
{
    setObjectName(QStringLiteral("rpGroupEditorForm"));
    setWindowTitle(rpLoadStr(53490));
    GB1 = new QGroupBox(rpLoadStr(53491), this);
    GB1->setObjectName(QStringLiteral("GB1"));
    Edit1 = new QLineEdit(GB1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(240);
    Panel1 = new QWidget(GB1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedSize(24, 24);
    rpSpeedButton1 = new TrpSpeedButton(Panel1);
    rpSpeedButton1->setObjectName(QStringLiteral("rpSpeedButton1"));
    rpSpeedButton1->setToolTip(rpLoadStr(53492));
    rpSpeedButton1->setGeometry(1, 1, 22, 22);
    QImage glyph(16, 16, QImage::Format_RGB32);
    glyph.fill(qRgb(128, 128, 0));
    {
        QPainter p(&glyph);
        p.fillRect(2, 3, 12, 10, Qt::white);
        p.setPen(Qt::black);
        p.drawRect(2, 3, 11, 9);
        p.drawLine(2, 6, 13, 6);
        p.drawLine(7, 3, 7, 12);
    }
    rpSpeedButton1->SetGlyph(glyph);
    rpSpeedButton1->OnClick = [this] { InsertField(); };
    auto* row = new QHBoxLayout(GB1);
    row->addWidget(Edit1);
    row->addWidget(Panel1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GB1);
    layout->addLayout(rpOkCancelRow(this, Button1, Button2));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TrpGroupEditorForm::InsertField()
{
    QString field;
    if (TrpFieldsForm::Pick(this, field))
        Edit1->setText(field);
}

void TrpGroupEditorForm::ShowEditor(TrpView* view)
{
    auto* band = dynamic_cast<TrpBandView*>(view);
    if (!band)
        return;
    Edit1->setText(band->FormatStr);
    if (ctl::ExecDialog(*this) == Accepted)
        setBandText(band, Edit1->text());
}
