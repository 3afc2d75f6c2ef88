// Undo and redo: two bounded histories of changes to the views of the design pages.
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDesignerPage.h"
#include "report/rpCtrls.h"
#include "report/rpPage.h"
#include "report/rpView.h"

#include <QAction>

void TrpDesignerForm::AddUndoAction(TrpUndoAction action)
{
    ClearRedoBuffer();
    if (!Page)
        return;
    QList<TrpUndoRec1*> list;
    const QList<TrpView*>& objs = objects();
    for (int i = 0; i < objs.size(); ++i)
        if (action == acZOrder || objs[i]->Selected)
            list.append(new TrpUndoRec1{objs[i], i});
    AddAction(UndoBuffer, action, list);
}

void TrpDesignerForm::AddAction(TrpUndoBuffer& buffer, TrpUndoAction action, QList<TrpUndoRec1*>& list)
{
    int& length = &buffer == &UndoBuffer ? UndoBufferLength : RedoBufferLength;
    int n = length;
    if (n >= rpUndoDepth) {
        ReleaseAction(buffer[0]);
        for (int i = 1; i < rpUndoDepth; ++i)
            buffer[i - 1] = buffer[i];
        buffer[rpUndoDepth - 1] = TrpUndoRec();
        n = rpUndoDepth - 1;
    }
    TrpUndoRec& rec = buffer[n];
    rec.Action = action;
    rec.Page = CurPage;
    rec.Objects = nullptr;
    TrpUndoObj* last = nullptr;
    for (TrpUndoRec1* item : list) {
        auto* entry = new TrpUndoObj;
        entry->ObjectID = item->View->ID;
        entry->Index = item->Index;
        if (action == acDelete || action == acEdit) {
            std::unique_ptr<TrpView> copy = rpCreateObject(item->View->Typ, item->View->ClassName());
            copy->Assign(*item->View);
            copy->ID = item->View->ID;
            entry->Copy = copy.release();
        }
        (last ? last->Next : rec.Objects) = entry;
        last = entry;
        delete item;
    }
    list.clear();
    length = n + 1;
    if (&buffer == &UndoBuffer) {
        N46->setEnabled(true);
        UndoB->setEnabled(true);
    } else {
        N48->setEnabled(true);
        RedoB->setEnabled(true);
    }
    Modified = true;
    FileModified = true;
}

void TrpDesignerForm::Undo(TrpUndoBuffer& buffer)
{
    const bool undoing = &buffer == &UndoBuffer;
    int& length = undoing ? UndoBufferLength : RedoBufferLength;
    TrpUndoBuffer& other = undoing ? RedoBuffer : UndoBuffer;
    if (length < 1 || !Page)
        return;
    TrpUndoRec& r = buffer[length - 1];
    if (r.Page != CurPage)
        return;
    QList<TrpView*>& objs = objects();

    QList<TrpUndoRec1*> inverse;
    TrpUndoAction inverseAction = r.Action;
    for (TrpUndoObj* e = r.Objects; e; e = e->Next) {
        auto* item = new TrpUndoRec1{e->Copy, e->Index};
        switch (r.Action) {
        case acInsert:
            item->Index = Page->FindObjectByID(e->ObjectID);
            item->View = item->Index >= 0 ? objs[item->Index] : nullptr;
            inverseAction = acDelete;
            break;
        case acDelete: inverseAction = acInsert; break;
        case acEdit: item->View = e->Index < objs.size() ? objs[e->Index] : nullptr; break;
        case acZOrder:
            item->Index = Page->FindObjectByID(e->ObjectID);
            item->View = item->Index >= 0 ? objs[item->Index] : nullptr;
            e->Copy = item->View;
            break;
        }
        if (item->View)
            inverse.append(item);
        else
            delete item;
    }
    AddAction(other, inverseAction, inverse);

    TrpUndoObj* e = r.Objects;
    r.Objects = nullptr;
    // A z-order record names the views themselves: the slots are all written before any is read again.
    while (e) {
        TrpUndoObj* next = e->Next;
        switch (r.Action) {
        case acInsert:
            if (const int i = Page->FindObjectByID(e->ObjectID); i >= 0) {
                if (ReferenceView == objs[i])
                    ReferenceView = nullptr;
                delete objs.takeAt(i);
            }
            break;
        case acDelete:
            objs.insert(std::clamp(int(e->Index), 0, int(objs.size())), e->Copy);
            break;
        case acEdit:
            if (e->Index >= 0 && e->Index < objs.size())
                objs[e->Index]->Assign(*e->Copy);
            delete e->Copy;
            break;
        case acZOrder:
            if (e->Copy && e->Index >= 0 && e->Index < objs.size())
                objs[e->Index] = e->Copy;
            break;
        }
        delete e;
        e = next;
    }
    r = TrpUndoRec();
    --length;
    ResetSelection();
    RedrawPage();
    N46->setEnabled(UndoBufferLength >= 1);
    UndoB->setEnabled(UndoBufferLength >= 1);
    N48->setEnabled(RedoBufferLength >= 1);
    RedoB->setEnabled(RedoBufferLength >= 1);
}

void TrpDesignerForm::ReleaseAction(TrpUndoRec& rec)
{
    TrpUndoObj* e = rec.Objects;
    while (e) {
        TrpUndoObj* next = e->Next;
        if (rec.Action == acDelete || rec.Action == acEdit)
            delete e->Copy;
        delete e;
        e = next;
    }
    rec.Objects = nullptr;
}

void TrpDesignerForm::ClearBuffer(TrpUndoBuffer& buffer, int& length)
{
    for (int i = 0; i < length; ++i)
        ReleaseAction(buffer[i]);
    length = 0;
}

void TrpDesignerForm::ClearUndoBuffer()
{
    ClearBuffer(UndoBuffer, UndoBufferLength);
    N46->setEnabled(false);
    UndoB->setEnabled(N46->isEnabled());
}

void TrpDesignerForm::ClearRedoBuffer()
{
    ClearBuffer(RedoBuffer, RedoBufferLength);
    N48->setEnabled(false);
    RedoB->setEnabled(N48->isEnabled());
}

void TrpDesignerForm::BeforeChange()
{
    AddUndoAction(acEdit);
}

void TrpDesignerForm::AfterChange()
{
    PageSurface->ShowMarks(false);
    PageSurface->Draw(TopSelectedIndex());
}
