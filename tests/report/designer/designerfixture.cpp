#include "designerfixture.h"

#include "report/rpParser.h"

#include <QBuffer>

namespace destest {

DesignerTest::DesignerTest()
{
    qputenv("VELT_REGISTRY_FILE", dir.filePath("registry.ini").toLocal8Bit());
    rpTheParser();
    rpClearPasteList();
    LastStyle = TrpLastStyle();
    report = std::make_unique<TrpReport>();
    report->Pages->Clear();
    page = report->Pages->Add();
    CurReport = report.get();
    form = std::make_unique<TrpDesignerForm>();
    surface = form->PageSurface;
    Show();
}

DesignerTest::~DesignerTest()
{
    form.reset();
    report.reset();
    CurReport = nullptr;
    ::CurPage = nullptr;
    rpClearPasteList();
}

void DesignerTest::Show()
{
    CurReport = report.get();
    form->FormShow();
    page = form->Page;
    form->GridAlign = false;
    form->GridShow = false;
    form->EditAfterInsert = false;
}

TrpMemoView* DesignerTest::Memo(int x, int y, int w, int h, const QString& text)
{
    auto* m = new TrpMemoView;
    m->SetBounds(x, y, w, h);
    if (!text.isEmpty())
        m->Memo = text.split('\n');
    m->CreateUniqueName();
    page->Objects.append(m);
    return m;
}

TrpBandView* DesignerTest::Band(int type, int y, int h)
{
    auto* b = new TrpBandView;
    b->SetBandType(type);
    b->SetBounds(0, y, page->PrnInfo.Pgw, h);
    b->CreateUniqueName();
    page->Objects.append(b);
    return b;
}

TrpLineView* DesignerTest::Line(int x, int y, int w, int h)
{
    auto* l = new TrpLineView;
    l->SetBounds(x, y, w, h);
    l->CreateUniqueName();
    page->Objects.append(l);
    return l;
}

void DesignerTest::Select(std::initializer_list<TrpView*> views)
{
    form->Unselect();
    for (TrpView* v : views) {
        v->Selected = true;
        ++SelectedCount;
    }
    ReferenceView = SelectedCount == 1 ? *views.begin() : nullptr;
    surface->GetMultipleSelected();
    form->SelectionChanged();
}

QByteArray DesignerTest::Saved()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    report->SaveToStream(buffer);
    return buffer.data();
}

void DesignerTest::Drag(int x0, int y0, int x1, int y1, Qt::KeyboardModifiers mods, int steps)
{
    Hover(x0, y0);
    surface->MDown(Qt::LeftButton, mods, x0, y0);
    for (int i = 1; i <= steps; ++i)
        surface->MMove(mods, x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
    surface->MUp(Qt::LeftButton, mods, x1, y1);
}

void DesignerTest::Click(int x, int y, Qt::KeyboardModifiers mods)
{
    Hover(x, y);
    surface->MDown(Qt::LeftButton, mods, x, y);
    surface->MUp(Qt::LeftButton, mods, x, y);
}

void DesignerTest::Hover(int x, int y)
{
    surface->MMove(Qt::NoModifier, x, y);
}

} // namespace destest
