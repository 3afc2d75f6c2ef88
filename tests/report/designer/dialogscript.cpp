#include "dialogscript.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTabWidget>
#include <QTest>

namespace destest {

DialogScript::DialogScript() : previousRunner_(rpDialogRunner), previousFileRunner_(TrpFileDialog::Runner)
{
    rpDialogRunner = [this](QDialog& d) {
        Shown.append(d.objectName());
        d.setResult(QDialog::Rejected);
        d.show();
        QApplication::processEvents();
        if (!steps_.empty()) {
            Step step = steps_.front();
            steps_.pop_front();
            step(d);
        }
        if (d.isVisible())
            d.reject();
        return d.result();
    };
    TrpFileDialog::Runner = [this](TrpFileDialog& f) {
        FileAsked.append(f);
        if (files_.empty() || !files_.front()) {
            if (!files_.empty())
                files_.pop_front();
            return false;
        }
        const auto [name, index] = *files_.front();
        files_.pop_front();
        f.FileName = name;
        if (index > 0)
            f.FilterIndex = index;
        return true;
    };
}

DialogScript::~DialogScript()
{
    rpDialogRunner = previousRunner_;
    TrpFileDialog::Runner = previousFileRunner_;
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " dialog steps were not used";
    EXPECT_TRUE(files_.empty()) << files_.size() << " file answers were not used";
}

void DialogScript::Then(Step step)
{
    steps_.push_back(std::move(step));
}

void DialogScript::File(const QString& name, int filterIndex)
{
    files_.push_back(std::make_pair(name, filterIndex));
}

void DialogScript::CancelFile()
{
    files_.push_back(std::nullopt);
}

NoUnexpectedDialogs::NoUnexpectedDialogs()
{
    rpDialogRunner = [](QDialog& d) {
        ADD_FAILURE() << "unexpected dialog " << d.objectName().toStdString();
        return int(QDialog::Rejected);
    };
    TrpFileDialog::Runner = [](TrpFileDialog&) {
        ADD_FAILURE() << "unexpected file dialog";
        return false;
    };
}

NoUnexpectedDialogs::~NoUnexpectedDialogs()
{
    rpDialogRunner = nullptr;
    TrpFileDialog::Runner = nullptr;
}

void ClickOn(QWidget* w)
{
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isEnabled()) << w->objectName().toStdString() << " is disabled";
    // Clicked on its text side, where check boxes and radio buttons take clicks too.
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(std::min(w->width() / 2, 10), w->height() / 2));
}

void ClickButton(QWidget* dialog, const char* name)
{
    ClickOn(Child<QAbstractButton>(*dialog, name));
}

void Type(QLineEdit* edit, const QString& text)
{
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void ClickItem(QListWidget* list, const QString& text, Qt::KeyboardModifiers mods)
{
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, list->visualItemRect(found[0]).center());
}

namespace {

std::string name(const QWidget* w)
{
    return (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName()).toStdString();
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
