#include "report/rpControls.h"

#include "platform/graphics/Color.h"

#include <QLabel>
#include <QPalette>
#include <QWidget>

void rpEnableControls(const QList<QWidget*>& controls, bool enable)
{
    for (QWidget* w : controls) {
        if (!w)
            continue;
        QPalette pal = w->palette();
        if (qobject_cast<QLabel*>(w)) {
            const QColor c = gfx::ToQColor(enable ? gfx::clWindowText : gfx::clGrayText);
            pal.setColor(QPalette::Active, QPalette::WindowText, c);
            pal.setColor(QPalette::Inactive, QPalette::WindowText, c);
            pal.setColor(QPalette::Disabled, QPalette::WindowText, c);
        } else {
            const QColor c = gfx::ToQColor(enable ? gfx::clWindow : gfx::clBtnFace);
            pal.setColor(QPalette::Active, QPalette::Base, c);
            pal.setColor(QPalette::Inactive, QPalette::Base, c);
            pal.setColor(QPalette::Disabled, QPalette::Base, c);
        }
        w->setPalette(pal);
        w->setEnabled(enable);
    }
}

QWidget* rpControlAtPos(QWidget* parent, const QPoint& point)
{
    if (!parent)
        return nullptr;
    const QObjectList& children = parent->children();
    for (qsizetype i = children.size() - 1; i >= 0; --i) {
        auto* child = qobject_cast<QWidget*>(children[i]);
        if (!child || child->isHidden() || !child->geometry().contains(point))
            continue;
        const QList<QWidget*> inner = child->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        if (inner.isEmpty())
            return child;
        if (QWidget* found = rpControlAtPos(child, point - child->pos()))
            return found;
    }
    return nullptr;
}

QString rpGetWindowsVersion()
{
    return QStringLiteral("NT");
}
