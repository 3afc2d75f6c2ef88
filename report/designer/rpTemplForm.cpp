#include "report/designer/rpTemplForm.h"

#include "platform/controls/MessageBox.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/rpReport.h"
#include "report/rpStrings.h"

#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString rpTemplateDir;

QString rpTemplatesFolder()
{
    return rpTemplateDir.isEmpty() ? QString() : rpTemplateDir + QLatin1Char('/');
}

namespace {

void showPicture(QLabel* label, const gfx::TBitmap& picture)
{
    if (picture.Empty())
        label->clear();
    else
        label->setPixmap(QPixmap::fromImage(picture.Image()));
}

} // namespace

// ---- choosing a template ------------------------------------------------------------------------------

TrpTemplForm::TrpTemplForm(TrpReport* report, QWidget* parent) : QDialog(parent), report_(report)
{
    setObjectName(QStringLiteral("rpTemplForm"));
    setWindowTitle(rpLoadStr(53310));
    LB1 = new QListWidget(this);
    LB1->setObjectName(QStringLiteral("LB1"));
    LB1->setFixedWidth(170);
    GroupBox1 = new QGroupBox(rpLoadStr(53311), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Memo1 = new QPlainTextEdit(GroupBox1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Image1 = new QLabel(GroupBox1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(48, 48);
    Image1->setAlignment(Qt::AlignCenter);
    auto* group = new QHBoxLayout(GroupBox1);
    group->addWidget(Image1, 0, Qt::AlignTop);
    group->addWidget(Memo1, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(LB1);
    top->addWidget(GroupBox1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(rpOkCancelRow(this, Button1, Button2));
    resize(460, 260);

    connect(LB1, &QListWidget::itemSelectionChanged, this, [this] { LB1Click(); });
    connect(LB1, &QListWidget::itemDoubleClicked, this, [this] { LB1DblClick(); });
}

void TrpTemplForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FillList();
}

void TrpTemplForm::FillList()
{
    const QSignalBlocker block(LB1);
    LB1->clear();
    const QDir folder(rpTemplateDir.isEmpty() ? QDir::currentPath() : rpTemplateDir);
    const QFileInfoList entries = folder.entryInfoList({QStringLiteral("*.rpt")},
                                                       QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                       QDir::Unsorted);
    for (const QFileInfo& entry : entries)
        if (!entry.isDir())
            LB1->addItem(entry.completeBaseName());
    Memo1->clear();
    Image1->clear();
    Button1->setEnabled(false);
}

void TrpTemplForm::LB1Click()
{
    QListWidgetItem* item = LB1->currentItem();
    Button1->setEnabled(item && item->isSelected());
    if (!Button1->isEnabled())
        return;
    QStringList description;
    gfx::TBitmap picture;
    try {
        report_->LoadTemplate(rpTemplatesFolder() + item->text() + QStringLiteral(".rpt"), description, &picture, false);
    } catch (const std::exception&) {
        // A template that cannot be read shows no description; choosing it reports the error.
    }
    Memo1->setPlainText(description.join(QLatin1Char('\n')));
    showPicture(Image1, picture);
}

void TrpTemplForm::LB1DblClick()
{
    if (Button1->isEnabled())
        accept();
}

void TrpTemplForm::done(int result)
{
    if (result == QDialog::Accepted) {
        if (!Button1->isEnabled() || !LB1->currentItem())
            return;
        TemplName = rpTemplatesFolder() + LB1->currentItem()->text() + QStringLiteral(".rpt");
    }
    QDialog::done(result);
}

// ---- describing a new template ------------------------------------------------------------------------

TrpTemplNewForm::TrpTemplNewForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("rpTemplNewForm"));
    setWindowTitle(rpLoadStr(53320));
    GroupBox2 = new QGroupBox(rpLoadStr(53322), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    Panel1 = new QWidget(GroupBox2);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedSize(52, 52);
    Panel1->setAutoFillBackground(true);
    Panel1->setBackgroundRole(QPalette::Base);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(2, 2, 48, 48);
    Image1->setAlignment(Qt::AlignCenter);
    Button1 = new QPushButton(rpLoadStr(53323), GroupBox2);
    Button1->setObjectName(QStringLiteral("Button1"));
    auto* icon = new QVBoxLayout(GroupBox2);
    icon->addWidget(Panel1, 0, Qt::AlignHCenter);
    icon->addWidget(Button1);
    icon->addStretch(1);
    Label1 = new QLabel(rpLoadStr(53321), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Label1->setBuddy(Memo1);
    auto* comment = new QVBoxLayout;
    comment->addWidget(Label1);
    comment->addWidget(Memo1, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(GroupBox2);
    top->addLayout(comment, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(rpOkCancelRow(this, Button2, Button3, "Button2", "Button3"));
    resize(420, 220);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TrpTemplNewForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Memo1->clear();
    Picture = gfx::TBitmap();
    showPicture(Image1, Picture);
    Memo1->setFocus();
}

void TrpTemplNewForm::Button1Click()
{
    TrpFileDialog open;
    open.Filter = rpLoadStr(55216) + QStringLiteral(" (*.bmp)|*.bmp");
    if (!open.Execute(this))
        return;
    QImage image;
    if (!image.load(open.FileName)) {
        ctl::MessageBox(QStringLiteral("Cannot read the picture \"") + open.FileName + QStringLiteral("\"."),
                        rpLoadStr(55206), ctl::MB_OK | ctl::MB_ICONERROR);
        return;
    }
    Picture = gfx::TBitmap(image);
    showPicture(Image1, Picture);
}

QStringList TrpTemplNewForm::Description() const
{
    const QString text = Memo1->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}
