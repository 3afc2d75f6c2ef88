#include "report/designer/rpInspForm.h"

#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "report/rpCtrls.h"
#include "report/rpLimits.h"
#include "report/rpStrings.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <cstdlib>
#include <qdrawutil.h>

namespace {

constexpr int buttonWidth = 14;

class TrpInspRows : public QWidget {
public:
    TrpInspRows(TrpInspForm* form, QWidget* parent) : QWidget(parent), form_(form) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        form_->PaintRows(p);
    }
    void mousePressEvent(QMouseEvent* e) override { form_->RowsMouseDown(e->position().toPoint().y()); }

private:
    TrpInspForm* form_;
};

QFont rowFont()
{
    return gfx::TFont().ToQFont();
}

} // namespace

TrpInspForm::TrpInspForm(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("rpInspForm"));
    setWindowTitle(rpLoadStr(53050));
    setFont(rowFont());
    ItemHeight = 5 + std::abs(gfx::TFont().Height());
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    PaintBox1 = new TrpInspRows(this, Panel1);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    Edit1 = new QLineEdit(PaintBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFrame(false);
    Edit1->setFont(rowFont());
    Edit1->installEventFilter(this);
    Edit1->hide();
    SpeedButton1 = new TrpSpeedButton(PaintBox1);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->SetCaption(QStringLiteral("..."));
    SpeedButton1->OnClick = [this] { EditProp(); };
    SpeedButton1->hide();
    resize(180, 8 * ItemHeight + 10);
    W = width() - 4;
    W1 = W / 2;
    SavedHeight = height();
    SavedWidth = width();
}

TrpInspForm::~TrpInspForm()
{
    ClearItems();
}

void TrpInspForm::ClearItems()
{
    for (auto& item : Items)
        delete item.second;
    Items.clear();
}

void TrpInspForm::SetItems(const QList<std::pair<QString, TProp*>>& items)
{
    ClearItems();
    Items = items;
    ItemIndex = -1;
    PaintBox1->update();
    SetItemIndex(0);
}

void TrpInspForm::ItemsChanged()
{
    ItemIndex = -1;
    SetItemIndex(0);
}

void TrpInspForm::EnableItem(int index, bool enabled)
{
    if (index < 0 || index >= GetCount())
        return;
    Items[index].second->Enabled = enabled;
    PaintBox1->update();
}

TProp* TrpInspForm::CurItem() const
{
    if (ItemIndex < 0 || ItemIndex >= GetCount())
        return nullptr;
    return Items[ItemIndex].second;
}

QString TrpInspForm::GetItemValue(int index) const
{
    if (index < 0 || index >= GetCount() || !Items[index].second->Value)
        return QString();
    return *Items[index].second->Value;
}

void TrpInspForm::SetItemValue(const QString& text)
{
    TProp* prop = CurItem();
    if (Busy || !prop)
        return;
    if (prop->Value)
        *prop->Value = text.left(rplimits::ShortString);
    if (OnModify)
        OnModify(ItemIndex);
    // The owner may have put its own reading of the text back (a name taken, a sum worked out).
    if (CurItem() == prop)
        Edit1->setText(prop->Value ? *prop->Value : text.left(rplimits::ShortString));
    Edit1->selectAll();
    Edit1->setModified(false);
    PaintBox1->update();
}

void TrpInspForm::commitEdit()
{
    if (ItemIndex != -1 && Edit1->isModified() && CurItem() && CurItem()->Style == csEdit)
        SetItemValue(Edit1->text());
}

void TrpInspForm::placeEdit()
{
    TProp* prop = CurItem();
    if (!prop)
        return;
    const bool editor = prop->Style == csDefEditor;
    const int top = ItemHeight * ItemIndex + 3;
    int width = W - W1 - 4;
    if (editor) {
        SpeedButton1->setGeometry(W - 2 - buttonWidth, top - 1, buttonWidth, ItemHeight - 1);
        width -= buttonWidth + 1;
    }
    Edit1->setGeometry(W1 + 2, top, std::max(1, width), ItemHeight - 4);
}

void TrpInspForm::SetItemIndex(int index)
{
    const int count = GetCount();
    index = std::max(0, std::min(index, count - 1));
    if (count > 0 && !Items[index].second->Enabled)
        return;
    Edit1->setVisible(count > 0 && !Busy);
    if (count == 0 || index == ItemIndex) {
        if (count == 0)
            SpeedButton1->hide();
        return;
    }
    commitEdit();
    ItemIndex = index;
    TProp* prop = Items[index].second;
    const bool editor = prop->Style == csDefEditor;
    SpeedButton1->setVisible(editor && !Busy);
    Edit1->setReadOnly(editor);
    if (editor)
        Edit1->setText(QStringLiteral("(") + Items[index].first + QStringLiteral(")"));
    else
        Edit1->setText(prop->Value ? *prop->Value : QString());
    placeEdit();
    Edit1->selectAll();
    Edit1->setModified(false);
    PaintBox1->update();
}

void TrpInspForm::EditProp()
{
    TProp* prop = CurItem();
    if (Busy || !prop || !prop->Editor)
        return;
    prop->Editor->View = CurView;
    if (prop->Editor->ShowEditor() == QDialog::Accepted && OnModify)
        OnModify(ItemIndex);
}

void TrpInspForm::RollUp()
{
    if (!Panel1->isHidden()) {
        resize(SavedWidth / 2, 0);
        Panel1->hide();
    } else {
        resize(SavedWidth, SavedHeight);
        Panel1->show();
    }
}

void TrpInspForm::RowsMouseDown(int y)
{
    if (Busy)
        return;
    SetItemIndex(y / ItemHeight);
    Edit1->setFocus();
}

void TrpInspForm::PaintRows(QPainter& out)
{
    if (bitmap_.size() != PaintBox1->size())
        bitmap_ = QImage(PaintBox1->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    bitmap_.fill(gfx::ToQColor(gfx::clBtnFace));
    QPainter p(&bitmap_);
    p.setFont(rowFont());
    const QColor grey = gfx::ToQColor(gfx::clGray), white = Qt::white;
    auto drawRow = [&](int i) {
        const TProp* prop = Items[i].second;
        if (!prop->Enabled)
            return;
        const int top = ItemHeight * i;
        const QRect row(0, top, W, ItemHeight);
        if (i == ItemIndex) {
            qDrawShadePanel(&p, row.adjusted(1, 1, -1, 0), palette(), true, 1);
        } else {
            p.setPen(grey);
            p.drawLine(1, top + ItemHeight - 1, W - 2, top + ItemHeight - 1);
            p.setPen(white);
            p.drawLine(1, top + ItemHeight, W - 2, top + ItemHeight);
        }
        p.setPen(grey);
        p.drawLine(W1 - 1, top + 1, W1 - 1, top + ItemHeight - 1);
        p.setPen(white);
        p.drawLine(W1, top + 1, W1, top + ItemHeight - 1);
        p.setPen(Qt::black);
        p.drawText(QRect(7, top + 3, W1 - 9, ItemHeight - 3), Qt::AlignLeft | Qt::AlignTop, Items[i].first);
        if (i != ItemIndex) {
            const QString value = prop->Style == csDefEditor ? QStringLiteral("(") + Items[i].first + QStringLiteral(")")
                                                             : (prop->Value ? *prop->Value : QString());
            p.setPen(gfx::ToQColor(gfx::clNavy));
            p.drawText(QRect(W1 + 2, top + 3, W - W1 - 4, ItemHeight - 3), Qt::AlignLeft | Qt::AlignTop, value);
        }
    };
    if (!Busy) {
        for (int i = 0; i < GetCount(); ++i)
            if (i != ItemIndex)
                drawRow(i);
        if (ItemIndex >= 0 && ItemIndex < GetCount())
            drawRow(ItemIndex);
    }
    qDrawShadePanel(&p, bitmap_.rect(), palette(), true, 1);
    p.end();
    out.drawImage(0, 0, bitmap_);
}

bool TrpInspForm::eventFilter(QObject* watched, QEvent* e)
{
    if (watched != Edit1)
        return QWidget::eventFilter(watched, e);
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Up || k->key() == Qt::Key_Down) && !Busy) {
            const int next = ItemIndex + (k->key() == Qt::Key_Up ? -1 : 1);
            if (next >= 0 && next < GetCount())
                SetItemIndex(next);
            return true;
        }
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (TProp* prop = CurItem()) {
                if (prop->Style == csEdit) {
                    if (Edit1->isModified())
                        SetItemValue(Edit1->text());
                    Edit1->setModified(false);
                } else {
                    EditProp();
                }
            }
            Edit1->selectAll();
            return true;
        }
    } else if (e->type() == QEvent::MouseButtonDblClick) {
        if (CurItem() && CurItem()->Style == csDefEditor) {
            EditProp();
            return true;
        }
    } else if (e->type() == QEvent::FocusOut) {
        commitEdit();
    }
    return QWidget::eventFilter(watched, e);
}

bool TrpInspForm::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::NonClientAreaMouseButtonDblClick:
        RollUp();
        return true;
    case QEvent::WindowDeactivate:
        commitEdit();
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

void TrpInspForm::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    Panel1->setGeometry(2, 2, std::max(0, width() - 4), std::max(0, height() - 4));
    PaintBox1->setGeometry(0, 0, Panel1->width(), Panel1->height());
    W = PaintBox1->width();
    if (ItemIndex >= 0)
        placeEdit();
    else
        Edit1->resize(std::max(1, W - W1 - 4), Edit1->height());
}

