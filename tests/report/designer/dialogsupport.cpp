#include "dialogsupport.h"

#include <QAction>
#include <QBuffer>
#include <QMenu>
#include <gtest/gtest.h>

namespace destest {

EngineDesignerTest::EngineDesignerTest() : previous_(rpDesigner)
{
    rpRegisterDesigner(form.get());
}

EngineDesignerTest::~EngineDesignerTest()
{
    rpRegisterDesigner(previous_);
}

std::unique_ptr<TrpReport> EngineDesignerTest::Reloaded()
{
    QByteArray bytes = Saved();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    auto copy = std::make_unique<TrpReport>();
    copy->LoadFromStream(buffer);
    return copy;
}

TrpView* EngineDesignerTest::Find(TrpReport& r, const QString& name)
{
    for (TrpView* v : r.Pages->Pages(0)->Objects)
        if (v->Name == name)
            return v;
    return nullptr;
}

QAction* EngineDesignerTest::PopupItem(const QString& text)
{
    form->Popup1Popup();
    for (QAction* a : form->Popup1->actions())
        if (a->text() == text)
            return a;
    ADD_FAILURE() << "no item " << text.toStdString();
    return nullptr;
}

} // namespace destest
