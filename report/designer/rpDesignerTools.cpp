// The designer's tool windows (the object inspector's rows, the colour selector of the colour buttons) and
// the view items of the pop-up menu.
#include "report/designer/rpBandDialogs.h"
#include "report/designer/rpColorSelector.h"
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/designer/rpDesignerPage.h"
#include "report/designer/rpEditorForm.h"
#include "report/designer/rpGEditorForm.h"
#include "report/designer/rpInspForm.h"
#include "report/designer/rpViewPopups.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPictureView.h"
#include "report/rpBandView.h"
#include "report/rpCtrls.h"

#include <QMenu>
#include <memory>

void TrpDesignerForm::buildInspector()
{
    InspForm = new TrpInspForm(this);
    QList<std::pair<QString, TProp*>> rows;
    static const char* names[] = {"Name", "Left", "Top", "Width", "Height", "Visible"};
    for (int i = 0; i < 6; ++i)
        rows.append({QString::fromLatin1(names[i]), new TProp(&InspValues[i], csEdit, nullptr)});
    rows.append({QStringLiteral("Memo"), new TProp(&InspValues[6], csDefEditor, new TrpEditorForm(this))});
    InspForm->SetItems(rows);
    InspForm->OnModify = [this](int row) {
        if (row == 6)
            MemoEdited();
        else
            OnModify(row, InspValues[row]);
    };

    ColorSelector = new TColorSelector(this);
    ColorSelector->hide();
    ColorSelector->OnColorSelected = [this](TColorSelector* sender) { ColorSelected(sender->Color); };
}

void TrpDesignerForm::ClB1Click(TrpSpeedButton* button)
{
    const QPoint at = button->mapTo(this, QPoint(0, 26));
    if (ColorSelector->x() == at.x()) {
        ColorSelector->setVisible(ColorSelector->isHidden());
    } else {
        ColorSelector->move(at);
        ColorSelector->show();
    }
    ColorSelector->raise();
    ColorButton = button;
    SelectorColor = ButtonColor(button);
    ColorSelector->SetColor(SelectorColor);
}

void TrpDesignerForm::Popup1Popup()
{
    EnableControls();
    // The first seven items are the window's own; the rest were added by the last opening.
    const QList<QAction*> items = Popup1->actions();
    for (int i = 7; i < items.size(); ++i) {
        Popup1->removeAction(items[i]);
        delete items[i];
    }
    if (!Page || SelectedCount < 1)
        return;
    const int top = TopSelectedIndex();
    if (top < 0 || top >= objects().size())
        return;
    TrpView* t = objects()[top];
    if (SelectedCount == 1) {
        rpDefinePopupMenu(t, Popup1);
        return;
    }
    const bool tText = dynamic_cast<TrpMemoView*>(t);
    for (TrpView* v : objects()) {
        if (!v->Selected)
            continue;
        const bool compatible = (tText && dynamic_cast<TrpMemoView*>(v)) || (t->Typ != gtAddIn && v->Typ == t->Typ) ||
                                (t->Typ == gtAddIn && v->ClassName() == t->ClassName());
        if (!compatible)
            return;
    }
    if (t->Typ != gtBand)
        rpDefinePopupMenu(t, Popup1);
}

void TrpDesignerForm::ShowObjectEditor(TrpView* v)
{
    auto repaint = [this, v] {
        const QRegion area = v->GetClipRgn(rtExtended);
        PageSurface->Draw(TopSelectedIndex(), &area);
    };
    if (auto* picture = dynamic_cast<TrpPictureView*>(v)) {
        TrpGEditorForm dialog(this);
        dialog.OnMemo = [this] { ShowMemoEditor(); };
        dialog.LoadFrom(*picture);
        if (ctl::ExecDialog(dialog) != QDialog::Accepted)
            return;
        AddUndoAction(acEdit);
        PageSurface->ShowMarks(false);
        dialog.SaveTo(*picture);
        repaint();
    } else if (auto* band = dynamic_cast<TrpBandView*>(v)) {
        PageSurface->ShowMarks(false);
        switch (band->GetBandType()) {
        case btMasterData: case btDetailData: case btSubDetailData: {
            TrpBandEditorForm dialog(this);
            dialog.ShowEditor(band);
            break;
        }
        case btGroupHeader: {
            TrpGroupEditorForm dialog(this);
            dialog.ShowEditor(band);
            break;
        }
        case btCrossData: {
            TrpVBandEditorForm dialog(this);
            dialog.ShowEditor(band);
            break;
        }
        default:
            PageSurface->ClearSkip();
            break;
        }
        repaint();
    } else if (v->Typ == gtAddIn) {
        for (const TrpAddInObjectInfo& info : rpAddIns())
            if (info.ClassName == v->ClassName()) {
                if (info.EditorForm) {
                    const std::unique_ptr<TrpObjEditorForm> editor = info.EditorForm(this);
                    editor->ShowEditor(v);
                    repaint();
                } else {
                    ShowMemoEditor();
                }
                break;
            }
    }
}
