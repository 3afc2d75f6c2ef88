#include "report/designer/rpPgoptForm.h"

#include "platform/controls/MessageBox.h"
#include "report/rpPage.h"
#include "report/rpPrinter.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/rpStrings.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A sheet of paper standing or lying, with lines of text.
QPixmap sheetPicture(bool landscape)
{
    QPixmap p(40, 40);
    p.fill(Qt::transparent);
    QPainter g(&p);
    const QRect sheet = landscape ? QRect(2, 9, 35, 24) : QRect(8, 2, 24, 35);
    g.fillRect(sheet, Qt::white);
    g.setPen(Qt::black);
    g.drawRect(sheet);
    for (int y = sheet.top() + 5; y < sheet.bottom() - 3; y += 4)
        g.drawLine(sheet.left() + 4, y, sheet.right() - 4, y);
    return p;
}

QLineEdit* edit(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaximumWidth(64);
    return e;
}

QLabel* label(QWidget* parent, const char* name, int text, QWidget* buddy)
{
    auto* l = new QLabel(rpLoadStr(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setBuddy(buddy);
    return l;
}

QGroupBox* group(QWidget* parent, const char* name, int text)
{
    auto* g = new QGroupBox(rpLoadStr(text), parent);
    g->setObjectName(QString::fromLatin1(name));
    return g;
}

} // namespace

TrpPgoptForm::TrpPgoptForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("rpPgoptForm"));
    setWindowTitle(rpLoadStr(53390));
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    auto* paper = new QWidget;
    PageControl1->addTab(paper, rpLoadStr(53391));
    GroupBox1 = group(paper, "GroupBox1", 53392);
    RB1 = new QRadioButton(rpLoadStr(53393), GroupBox1);
    RB1->setObjectName(QStringLiteral("RB1"));
    RB2 = new QRadioButton(rpLoadStr(53394), GroupBox1);
    RB2->setObjectName(QStringLiteral("RB2"));
    imgPortrait = new QLabel(GroupBox1);
    imgPortrait->setObjectName(QStringLiteral("imgPortrait"));
    imgPortrait->setPixmap(sheetPicture(false));
    imgLandScape = new QLabel(GroupBox1);
    imgLandScape->setObjectName(QStringLiteral("imgLandScape"));
    imgLandScape->setPixmap(sheetPicture(true));
    auto* orientation = new QGridLayout(GroupBox1);
    orientation->addWidget(RB1, 0, 0);
    orientation->addWidget(RB2, 1, 0);
    orientation->addWidget(imgPortrait, 0, 1, 2, 1);
    orientation->addWidget(imgLandScape, 0, 1, 2, 1);
    orientation->setColumnStretch(0, 1);
    GroupBox2 = group(paper, "GroupBox2", 53395);
    ComB1 = new QComboBox(GroupBox2);
    ComB1->setObjectName(QStringLiteral("ComB1"));
    ComB1->setMinimumWidth(200);
    E1 = edit(GroupBox2, "E1");
    E2 = edit(GroupBox2, "E2");
    Label1 = label(GroupBox2, "Label1", 53396, E1);
    Label2 = label(GroupBox2, "Label2", 53397, E2);
    auto* size = new QGridLayout(GroupBox2);
    size->addWidget(ComB1, 0, 0, 1, 2);
    size->addWidget(Label1, 1, 0);
    size->addWidget(E1, 1, 1);
    size->addWidget(Label2, 2, 0);
    size->addWidget(E2, 2, 1);
    auto* paperLayout = new QVBoxLayout(paper);
    paperLayout->addWidget(GroupBox1);
    paperLayout->addWidget(GroupBox2);
    paperLayout->addStretch(1);

    auto* margins = new QWidget;
    PageControl1->addTab(margins, rpLoadStr(53398));
    GroupBox3 = group(margins, "GroupBox3", 53399);
    E3 = edit(GroupBox3, "E3");
    E4 = edit(GroupBox3, "E4");
    E5 = edit(GroupBox3, "E5");
    E6 = edit(GroupBox3, "E6");
    Label3 = label(GroupBox3, "Label3", 53400, E3);
    Label4 = label(GroupBox3, "Label4", 53401, E4);
    Label5 = label(GroupBox3, "Label5", 53402, E5);
    Label6 = label(GroupBox3, "Label6", 53403, E6);
    CB5 = new QCheckBox(rpLoadStr(53404), GroupBox3);
    CB5->setObjectName(QStringLiteral("CB5"));
    auto* marginGrid = new QGridLayout(GroupBox3);
    marginGrid->addWidget(Label3, 0, 0);
    marginGrid->addWidget(E3, 0, 1);
    marginGrid->addWidget(Label5, 0, 2);
    marginGrid->addWidget(E5, 0, 3);
    marginGrid->addWidget(Label4, 1, 0);
    marginGrid->addWidget(E4, 1, 1);
    marginGrid->addWidget(Label6, 1, 2);
    marginGrid->addWidget(E6, 1, 3);
    marginGrid->addWidget(CB5, 2, 0, 1, 4);
    auto* marginsLayout = new QVBoxLayout(margins);
    marginsLayout->addWidget(GroupBox3);
    marginsLayout->addStretch(1);

    auto* options = new QWidget;
    PageControl1->addTab(options, rpLoadStr(53405));
    GroupBox4 = group(options, "GroupBox4", 53406);
    CB1 = new QCheckBox(rpLoadStr(53407), GroupBox4);
    CB1->setObjectName(QStringLiteral("CB1"));
    (new QVBoxLayout(GroupBox4))->addWidget(CB1);
    GroupBox5 = group(options, "GroupBox5", 53408);
    Edit1 = edit(GroupBox5, "Edit1");
    SB1 = new QToolButton(GroupBox5);
    SB1->setObjectName(QStringLiteral("SB1"));
    SB1->setArrowType(Qt::UpArrow);
    SB2 = new QToolButton(GroupBox5);
    SB2->setObjectName(QStringLiteral("SB2"));
    SB2->setArrowType(Qt::DownArrow);
    E7 = edit(GroupBox5, "E7");
    Label7 = label(GroupBox5, "Label7", 53409, Edit1);
    Label8 = label(GroupBox5, "Label8", 53410, E7);
    auto* columns = new QGridLayout(GroupBox5);
    columns->addWidget(Label7, 0, 0);
    columns->addWidget(Edit1, 0, 1);
    columns->addWidget(SB1, 0, 2);
    columns->addWidget(SB2, 0, 3);
    columns->addWidget(Label8, 1, 0);
    columns->addWidget(E7, 1, 1);
    columns->setColumnStretch(4, 1);
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->addWidget(GroupBox4);
    optionsLayout->addWidget(GroupBox5);
    optionsLayout->addStretch(1);

    QHBoxLayout* buttons = rpOkCancelRow(this, Button1, Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);

    connect(RB1, &QRadioButton::toggled, this, [this] { RB1Click(); });
    connect(ComB1, &QComboBox::currentIndexChanged, this, [this] { ComB1Click(); });
    connect(CB5, &QCheckBox::toggled, this, [this] { CB5Click(); });
    connect(SB1, &QToolButton::clicked, this, [this] { SB1Click(); });
    connect(SB2, &QToolButton::clicked, this, [this] { SB2Click(); });
}

void TrpPgoptForm::Load(const TrpPage& page)
{
    CB1->setChecked(page.PrintToPrevPage);
    CB5->setChecked(!page.UseMargins);
    (page.pgOr == 1 ? RB2 : RB1)->setChecked(true);
    ComB1->clear();
    ComB1->addItems(Prn().PaperNames);
    ComB1->setCurrentIndex(Prn().GetArrayPos(page.pgSize));
    E1->clear();
    E2->clear();
    if (page.pgSize == rpCustomPaper) {
        E1->setText(QString::number(page.pgWidth / 10));
        E2->setText(QString::number(page.pgHeight / 10));
    }
    E3->setText(QString::number(page.pgMargins.Left * 5 / 18));
    E4->setText(QString::number(page.pgMargins.Top * 5 / 18));
    E5->setText(QString::number(page.pgMargins.Right * 5 / 18));
    E6->setText(QString::number(page.pgMargins.Bottom * 5 / 18));
    E7->setText(QString::number(page.ColGap * 5 / 18));
    Edit1->setText(QString::number(page.ColCount));
}

void TrpPgoptForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RB1Click();
    ComB1Click();
    CB5Click();
    ComB1->view()->setMinimumWidth(200);
}

void TrpPgoptForm::RB1Click()
{
    imgPortrait->setVisible(RB1->isChecked());
    imgLandScape->setVisible(!RB1->isChecked());
}

void TrpPgoptForm::ComB1Click()
{
    const int index = ComB1->currentIndex();
    const bool custom = index >= 0 && index < Prn().PaperSizes.size() && Prn().PaperSizes[index] == rpCustomPaper;
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2), static_cast<QWidget*>(E1),
                       static_cast<QWidget*>(E2)})
        w->setEnabled(custom);
}

void TrpPgoptForm::CB5Click()
{
    const bool on = !CB5->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label4), static_cast<QWidget*>(Label5),
                       static_cast<QWidget*>(Label6), static_cast<QWidget*>(E3), static_cast<QWidget*>(E4),
                       static_cast<QWidget*>(E5), static_cast<QWidget*>(E6)})
        w->setEnabled(on);
}

void TrpPgoptForm::SB1Click()
{
    Edit1->setText(QString::number(Edit1->text().trimmed().toInt() + 1));
}

void TrpPgoptForm::SB2Click()
{
    const int n = Edit1->text().trimmed().toInt() - 1;
    Edit1->setText(QString::number(n < 0 ? 0 : n));
}

bool TrpPgoptForm::Read(TrpPageSettings& settings)
{
    TrpPageSettings s;
    s.PrintToPrevPage = CB1->isChecked();
    s.UseMargins = !CB5->isChecked();
    s.Orientation = RB1->isChecked() ? 0 : 1;
    const int index = ComB1->currentIndex();
    s.PaperCode = index >= 0 && index < Prn().PaperSizes.size() ? Prn().PaperSizes[index] : 9;
    // Every number is read before anything is set, so a bad one leaves the page as it was.
    bool ok = true;
    auto number = [this, &ok](QLineEdit* e) {
        if (!ok)
            return 0;
        bool good = false;
        const int v = e->text().trimmed().toInt(&good);
        if (!good) {
            ok = false;
            PageControl1->setCurrentWidget(e->parentWidget()->parentWidget());
            e->setFocus();
            e->selectAll();
            ctl::MessageBox(QStringLiteral("'%1' is not a valid integer value").arg(e->text()), rpLoadStr(55206),
                            ctl::MB_OK | ctl::MB_ICONERROR);
        }
        return v;
    };
    if (s.PaperCode == rpCustomPaper) {
        s.Width = number(E1) * 10;
        s.Height = number(E2) * 10;
    }
    const int left = number(E3), top = number(E4), right = number(E5), bottom = number(E6);
    s.Margins = gfx::TRect{left * 18 / 5, top * 18 / 5, right * 18 / 5, bottom * 18 / 5};
    s.ColGap = number(E7) * 18 / 5;
    s.ColCount = number(Edit1);
    if (!ok)
        return false;
    settings = s;
    return true;
}

void TrpPgoptForm::done(int result)
{
    if (result == QDialog::Accepted && !Read(Settings))
        return;
    QDialog::done(result);
}
