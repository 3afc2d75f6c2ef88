#include "designerdialogs.h"

#include "report/designer/rpBandDialogs.h"

#include <QPushButton>
#include <QRadioButton>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTabWidget>

namespace destest {

void ChooseBandType(DialogScript& script, int bandType)
{
    script.Then<TrpBandTypesForm>([bandType](TrpBandTypesForm* d) {
        ASSERT_LT(bandType, d->Buttons.size());
        ClickOn(d->Buttons[bandType]);
        ClickOn(d->Button1);
    });
}

namespace {

std::string name(const QWidget* w)
{
    return DialogScript::NameOf(*w);
}

QString plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// Where a parent lets its children draw: inside a group box's frame, below its title.
QRect inside(const QWidget* parent)
{
    if (auto* g = qobject_cast<const QGroupBox*>(parent)) {
        QStyleOptionGroupBox opt;
        opt.initFrom(g);
        opt.text = g->title();
        opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect title = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
        QRect r = g->rect().adjusted(1, 1, -1, -1);
        if (!g->title().isEmpty())
            r.setTop(std::max(r.top(), title.bottom() + 1));
        return r;
    }
    return parent->rect();
}

void checkPage(QWidget* top, std::vector<std::string>& faults)
{
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(top))
            continue;
        const QFontMetrics fm(w->font());
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty()) {
            if (fm.horizontalAdvance(plain(l->text())) > l->contentsRect().width())
                faults.push_back(name(w) + ": its text is cut");
        } else if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty()) {
            if (b->sizeHint().width() > b->width() || b->sizeHint().height() > b->height())
                faults.push_back(name(w) + ": its text is cut");
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            if (fm.horizontalAdvance(plain(g->title())) + 2 * fm.averageCharWidth() > g->width())
                faults.push_back(name(w) + ": its title is cut");
        }
        if (qobject_cast<QTabWidget*>(w) || w->inherits("QAbstractScrollArea") || w->inherits("QComboBox") ||
            w->inherits("QStackedWidget") || w->inherits("QTabBar"))
            continue;
        QList<QWidget*> kids;
        for (QWidget* k : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (k->isVisibleTo(top) && !k->isWindow())
                kids.append(k);
        const QRect room = inside(w);
        for (int i = 0; i < kids.size(); ++i) {
            if (!room.contains(kids[i]->geometry()))
                faults.push_back(name(kids[i]) + " reaches out of " + name(w));
            for (int j = i + 1; j < kids.size(); ++j)
                if (kids[i]->geometry().intersects(kids[j]->geometry()))
                    faults.push_back(name(kids[i]) + " and " + name(kids[j]) + " overlap");
        }
    }
}

} // namespace

void ExpectLaidOutCleanly(QWidget* dialog, const QString& pictureName)
{
    dialog->show();
    QApplication::processEvents();
    std::vector<std::string> faults;
    QList<std::pair<QTabWidget*, int>> pages;
    for (QTabWidget* t : dialog->findChildren<QTabWidget*>())
        for (int i = 0; i < t->count(); ++i)
            pages.append({t, i});
    if (pages.isEmpty())
        pages.append({nullptr, 0});
    const QString dir = qEnvironmentVariable("VELT_TEST_GRAB_DIR");
    for (const auto& [tabs, index] : pages) {
        if (tabs) {
            tabs->setCurrentIndex(index);
            QApplication::processEvents();
        }
        checkPage(dialog, faults);
        if (!dir.isEmpty())
            dialog->grab().save(QDir(dir).filePath(pictureName + (tabs ? QStringLiteral("-%1").arg(index) : QString()) +
                                                   QStringLiteral(".png")));
    }
    if (!pages.first().first)
        pages.clear();
    for (const auto& [tabs, index] : pages)
        if (index == 0)
            tabs->setCurrentIndex(0);
    EXPECT_TRUE(faults.empty()) << [&] {
        std::string all;
        for (const std::string& f : faults)
            all += f + "\n";
        return all;
    }();
}

} // namespace destest
