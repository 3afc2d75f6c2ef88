#include "dialogsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QAbstractScrollArea>
#include <QAction>
#include <QBuffer>
#include <QMenu>
#include <QComboBox>
#include <QLineEdit>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
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

void WhenModal(const std::function<void(QWidget*)>& act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog && ++*tries < 400)
            return;
        timer->stop();
        timer->deleteLater();
        if (dialog)
            act(dialog);
        else
            ADD_FAILURE() << "no modal dialog was shown";
    });
    timer->start();
}

void ClickButton(QWidget* dialog, const char* name)
{
    auto* b = dialog->findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_TRUE(b) << name;
    b->click();
}

namespace {

QString plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}

void checkChildren(QWidget* parent, const QString& where)
{
    QList<QWidget*> shown;
    for (QObject* o : parent->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && w->isVisible() && !w->isWindow())
            shown.append(w);
    for (int i = 0; i < shown.size(); ++i) {
        QWidget* w = shown[i];
        const QString name = where + QLatin1Char('/') + w->objectName();
        EXPECT_TRUE(parent->rect().contains(w->geometry())) << name.toStdString() << " lies outside its parent";
        for (int j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(w->geometry().intersects(shown[j]->geometry()))
                << name.toStdString() << " overlaps " << shown[j]->objectName().toStdString();
        QString text;
        if (auto* l = qobject_cast<QLabel*>(w))
            text = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            text = b->text();
        if (!text.isEmpty())
            EXPECT_LE(w->sizeHint().width(), w->width()) << name.toStdString() << " cuts \"" << plain(text).toStdString() << "\"";
        if (auto* g = qobject_cast<QGroupBox*>(w))
            EXPECT_LE(g->fontMetrics().horizontalAdvance(plain(g->title())) + 16, g->width()) << name.toStdString();
        if (!qobject_cast<QAbstractScrollArea*>(w) && !qobject_cast<QComboBox*>(w) && !qobject_cast<QLineEdit*>(w))
            checkChildren(w, name);
    }
}

} // namespace

void CheckLayout(QWidget* dialog, const QString& shotName)
{
    dialog->show();
    QApplication::processEvents();
    checkChildren(dialog, dialog->objectName());
    const QString folder = QStringLiteral(VELT_BINARY_DIR) + QStringLiteral("/shots");
    QDir().mkpath(folder);
    EXPECT_TRUE(dialog->grab().save(folder + QLatin1Char('/') + shotName + QStringLiteral(".png")));
}

} // namespace destest
