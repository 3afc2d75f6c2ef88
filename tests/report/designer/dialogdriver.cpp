#include "dialogdriver.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSplitter>
#include <QTimer>
#include <gtest/gtest.h>

namespace destest {

void OnModal(const std::function<void(QWidget*)>& step, const std::function<bool(QWidget*)>& take)
{
    QWidget* before = QApplication::activeModalWidget();
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, before, step, take] {
        QWidget* now = QApplication::activeModalWidget();
        if (now && now != before && now->isVisible() && (!take || take(now))) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            step(now);
        } else if (clock->elapsed() > 10000) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            ADD_FAILURE() << "no modal window opened";
        }
    });
    timer->start();
}

namespace {

QString plain(QString text)
{
    text.remove(QLatin1Char('&'));
    return text;
}

// Controls whose children are their own business.
bool opaque(const QWidget* w)
{
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractScrollArea*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractButton*>(w);
}

void check(QWidget* parent, QStringList& problems)
{
    QList<QWidget*> kids;
    for (QObject* o : parent->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && w->isVisible())
            kids.append(w);
    for (int i = 0; i < kids.size(); ++i)
        for (int j = i + 1; j < kids.size(); ++j)
            if (kids[i]->geometry().intersects(kids[j]->geometry()))
                problems << QStringLiteral("%1 overlaps %2").arg(kids[i]->objectName().isEmpty() ? kids[i]->metaObject()->className() : kids[i]->objectName(),
                                                                   kids[j]->objectName().isEmpty() ? kids[j]->metaObject()->className() : kids[j]->objectName());
    for (QWidget* w : kids) {
        if (auto* l = qobject_cast<QLabel*>(w)) {
            const QFontMetrics fm(l->font());
            if (fm.horizontalAdvance(plain(l->text())) > l->contentsRect().width() || fm.height() > l->height())
                problems << QStringLiteral("label \"%1\" is cut").arg(l->text());
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (!b->text().isEmpty() && (b->width() < b->minimumSizeHint().width() || b->height() < b->fontMetrics().height()))
                problems << QStringLiteral("button \"%1\" is cut").arg(b->text());
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            if (g->fontMetrics().horizontalAdvance(plain(g->title())) + 16 > g->width())
                problems << QStringLiteral("group \"%1\" is cut").arg(g->title());
        }
        if (!opaque(w))
            check(w, problems);
    }
}

} // namespace

QStringList LayoutProblems(QWidget* dialog)
{
    QStringList problems;
    check(dialog, problems);
    return problems;
}

bool SaveScreenshot(QWidget* dialog, const QString& name)
{
    const QString out = QStringLiteral(VELT_BINARY_DIR "/screenshots/%1.png").arg(name);
    QDir().mkpath(QFileInfo(out).path());
    return dialog->grab().save(out);
}

} // namespace destest
