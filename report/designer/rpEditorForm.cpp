#include "report/designer/rpEditorForm.h"

#include "platform/controls/FormFont.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/designer/rpFieldsForm.h"
#include "report/designer/rpFmtForm.h"
#include "report/designer/rpVarForm.h"
#include "report/rpGlobals.h"
#include "report/rpMemoView.h"
#include "report/rpStrings.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

QStringList rpEditorLines(const QString& text)
{
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

TrpEditorForm::TrpEditorForm(QWidget* parent) : TPropEditor(parent)
{
    ctl::SetFormFont(this);
    setObjectName(QStringLiteral("TrpEditorForm"));
    setWindowTitle(rpLoadStr(53060));
    Splitter = new QSplitter(Qt::Vertical, this);
    Splitter->setChildrenCollapsible(false);
    MemoPanel = new QWidget(Splitter);
    Panel5 = new QWidget(MemoPanel);
    Label1 = new QLabel(rpLoadStr(53061), Panel5);
    CB1 = new QCheckBox(rpLoadStr(53062), Panel5);
    CB2 = new QCheckBox(rpLoadStr(53063), Panel5);
    CB3 = new QCheckBox(rpLoadStr(53064), Panel5);
    M1 = new QPlainTextEdit(MemoPanel);
    Label1->setBuddy(M1);
    ScriptPanel = new QWidget(Splitter);
    Label2 = new QLabel(rpLoadStr(53065), ScriptPanel);
    M2 = new QPlainTextEdit(ScriptPanel);
    Label2->setBuddy(M2);
    Panel2 = new QWidget(this);
    Button3 = new QPushButton(rpLoadStr(53066), Panel2);
    Button4 = new QPushButton(rpLoadStr(53067), Panel2);
    Button5 = new QPushButton(rpLoadStr(53068), Panel2);
    Button1 = new QPushButton(rpLoadStr(55000), Panel2);
    Button2 = new QPushButton(rpLoadStr(55001), Panel2);
    // Enter belongs to the memos: only Ctrl+Enter closes with OK.
    for (QPushButton* b : {Button1, Button2, Button3, Button4, Button5})
        b->setAutoDefault(false);

    auto* top = new QHBoxLayout(Panel5);
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(Label1);
    top->addStretch(1);
    top->addWidget(CB1);
    top->addWidget(CB2);
    top->addWidget(CB3);
    auto* memo = new QVBoxLayout(MemoPanel);
    memo->setContentsMargins(0, 0, 0, 0);
    memo->addWidget(Panel5);
    memo->addWidget(M1, 1);
    auto* script = new QVBoxLayout(ScriptPanel);
    script->setContentsMargins(0, 0, 0, 0);
    script->addWidget(Label2);
    script->addWidget(M2, 1);
    auto* buttons = new QHBoxLayout(Panel2);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(Button3);
    buttons->addWidget(Button4);
    buttons->addWidget(Button5);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Splitter, 1);
    layout->addWidget(Panel2);
    Splitter->setStretchFactor(0, 3);
    Splitter->setStretchFactor(1, 1);
    setMinimumHeight(200);
    resize(520, 360);

    connect(CB1, &QCheckBox::clicked, this, [this] { CB1Click(); });
    connect(CB2, &QCheckBox::clicked, this, [this] { CB2Click(); });
    connect(CB3, &QCheckBox::clicked, this, [this] { CB3Click(); });
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
    M1->installEventFilter(this);
    M2->installEventFilter(this);
    active_ = M1;
}

void TrpEditorForm::FormShow()
{
    CB1Click();
    CB2Click();
    CB3Click();
    M1->setPlainText(View->Memo.join(QLatin1Char('\n')));
    M2->setPlainText(View->Script.join(QLatin1Char('\n')));
    active_ = M1;
    M1->setFocus();
    Button5->setVisible(dynamic_cast<TrpMemoView*>(View) != nullptr);
}

int TrpEditorForm::ShowEditor()
{
    if (!View)
        return Rejected;
    FormShow();
    return ctl::ExecDialog(*this);
}

bool TrpEditorForm::Edit(TrpView* view, QWidget* parent)
{
    TrpEditorForm form(parent);
    form.View = view;
    return form.ShowEditor() == Accepted;
}

void TrpEditorForm::done(int result)
{
    if (result == Accepted && View) {
        if (rpDesigner)
            rpDesigner->BeforeChange();
        M1->setLineWrapMode(QPlainTextEdit::NoWrap);
        View->Memo = rpEditorLines(M1->toPlainText());
        View->Script = rpEditorLines(M2->toPlainText());
    }
    TPropEditor::done(result);
}

void TrpEditorForm::CB1Click()
{
    ScriptPanel->setVisible(CB1->isChecked());
}

void TrpEditorForm::CB2Click()
{
    QFont f = M1->font();
    f.setPointSize(CB2->isChecked() ? 12 : 10);
    M1->setFont(f);
    M2->setFont(f);
}

void TrpEditorForm::CB3Click()
{
    M1->setLineWrapMode(CB3->isChecked() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TrpEditorForm::insertReference(const QString& text)
{
    QApplication::clipboard()->setText(text);
    active_->insertPlainText(text);
}

void TrpEditorForm::Button3Click()
{
    TrpVarForm picker(CurReport, this);
    if (ctl::ExecDialog(picker) == Accepted && !picker.Value.isEmpty())
        insertReference(QLatin1Char('[') + picker.Value + QLatin1Char(']'));
    active_->setFocus();
}

void TrpEditorForm::Button4Click()
{
    QString field;
    if (TrpFieldsForm::Pick(this, field))
        insertReference(QLatin1Char('[') + field + QLatin1Char(']'));
    active_->setFocus();
}

void TrpEditorForm::Button5Click()
{
    if (!View)
        return;
    qint32 format = View->Format;
    QString formatStr = View->FormatStr;
    if (!TrpFmtForm::Edit(format, formatStr, this))
        return;
    if (rpDesigner)
        rpDesigner->BeforeChange();
    View->Format = format;
    View->FormatStr = formatStr;
}

bool TrpEditorForm::eventFilter(QObject* watched, QEvent* event)
{
    auto* memo = qobject_cast<QPlainTextEdit*>(watched);
    if (memo && event->type() == QEvent::FocusIn)
        active_ = memo;
    if (memo && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        if (key->key() == Qt::Key_Insert && mods == Qt::NoModifier) {
            active_ = memo;
            Button3Click();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            reject();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_F) &&
            mods == Qt::ControlModifier) {
            keyPressEvent(key);
            return true;
        }
    }
    return TPropEditor::eventFilter(watched, event);
}

void TrpEditorForm::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (ctrl && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        accept();
        return;
    }
    if (ctrl && event->key() == Qt::Key_F) {
        if (Button5->isVisibleTo(this))
            Button5Click();
        return;
    }
    TPropEditor::keyPressEvent(event);
}
