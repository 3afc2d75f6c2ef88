// The sources window and the listener's panel place their controls at fixed positions made for the forms' font:
// with that font every text fits its control and no two controls cover each other.
#include "Devices/DevicesSources.h"
#include "Devices/FormManager.h"
#include "Devices/Manager.h"
#include "Devices/VELT_A/ListenerPanel.h"
#include "Devices/VELT_A_NETWORK/NetPanel.h"
#include "DevicesTestUtil.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/CodePage.h"
#include "platform/system/SerialPorts.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTabWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using devtest::Pump;

namespace {

struct MappedPty : devtest::Pty {
    int number;
    explicit MappedPty(int n) : number(n) { sys::SetSerialPortOverride(n, path); }
    ~MappedPty() { sys::SetSerialPortOverride(number, QString()); }
};

std::string Name(const QWidget* w)
{
    QString s = QString::fromLatin1(w->metaObject()->className());
    if (auto* l = qobject_cast<const QLabel*>(w))
        s += " \"" + l->text() + "\"";
    else if (auto* b = qobject_cast<const QPushButton*>(w))
        s += " \"" + b->text() + "\"";
    else if (auto* g = qobject_cast<const QGroupBox*>(w))
        s += " \"" + g->title() + "\"";
    else if (auto* c = qobject_cast<const QComboBox*>(w))
        s += " \"" + (c->currentIndex() >= 0 ? c->currentText() : c->placeholderText()) + "\"";
    return s.toStdString();
}

// Where a child may draw without being cut: inside a group box's frame, else the whole parent.
QRect Inside(const QWidget* parent)
{
    if (auto* g = qobject_cast<const QGroupBox*>(parent)) {
        // Below the title, inside the frame's lines.
        QStyleOptionGroupBox opt;
        opt.initFrom(g);
        opt.text = g->title();
        opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect frame = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxFrame, g);
        const QRect title = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
        return QRect(QPoint(frame.left() + 1, std::max(frame.top() + 1, title.bottom() + 1)),
                     QPoint(frame.right() - 1, frame.bottom() - 1));
    }
    return parent->rect();
}

// What a control really covers of its parent: a label its text, any other control its whole rectangle.
QRect Covered(const QWidget* w)
{
    if (auto* l = qobject_cast<const QLabel*>(w)) {
        const QFontMetrics fm(l->font());
        const QRect text = QStyle::alignedRect(l->layoutDirection(), l->alignment(),
                                               QSize(fm.horizontalAdvance(l->text()), fm.height()), l->contentsRect());
        return text.translated(l->pos());
    }
    return w->geometry();
}

bool IsContainer(const QWidget* w)
{
    return qobject_cast<const QGroupBox*>(w) || QString(w->metaObject()->className()) == "QWidget";
}

// Every text of the window against the room its control gives it, measured with the control's own font.
void ExpectTextsFit(QWidget* top, std::vector<std::string>& faults)
{
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(top))
            continue;
        const QFontMetrics fm(w->font());
        if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->text().isEmpty())
                continue;
            if (fm.horizontalAdvance(l->text()) > l->contentsRect().width() || fm.height() > l->contentsRect().height())
                faults.push_back(Name(w) + " is cut by its own size");
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox opt;
            opt.initFrom(c);
            opt.editable = c->isEditable();
            const QRect field = c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
            QStringList texts{c->placeholderText()};
            for (int i = 0; i < c->count(); ++i)
                texts << c->itemText(i);
            for (const QString& t : texts) {
                if (fm.horizontalAdvance(t) > field.width() || fm.height() > field.height())
                    faults.push_back(Name(w) + ": \"" + t.toStdString() + "\" does not fit its field");
            }
        } else if (auto* b = qobject_cast<QPushButton*>(w)) {
            const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
            if (fm.horizontalAdvance(b->text()) + margin > b->width() || fm.height() > b->height())
                faults.push_back(Name(w) + " is cut by its own size");
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            if (fm.horizontalAdvance(g->title()) + 2 * fm.averageCharWidth() > g->width())
                faults.push_back(Name(w) + ": the title is cut");
        }
    }
}

// No control reaches out of where its parent lets it draw, and no control covers a sibling (two containers may
// share their edge rows, as group boxes placed one under the other do).
void ExpectNothingCutOrCovered(QWidget* top, std::vector<std::string>& faults)
{
    for (QWidget* parent : top->findChildren<QWidget*>()) {
        if (!parent->isVisibleTo(top) || qobject_cast<QTabWidget*>(parent) || qobject_cast<QComboBox*>(parent) ||
            parent->inherits("QAbstractScrollArea") || parent->inherits("QStackedWidget") || parent->inherits("QTabBar"))
            continue;
        std::vector<QWidget*> children;
        for (QWidget* w : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (w->isVisibleTo(top) && !w->isWindow())
                children.push_back(w);
        }
        const QRect inside = Inside(parent);
        for (size_t i = 0; i < children.size(); ++i) {
            const QRect a = Covered(children[i]);
            if (!inside.contains(a))
                faults.push_back(Name(children[i]) + " is cut by " + Name(parent));
            for (size_t j = i + 1; j < children.size(); ++j) {
                if (IsContainer(children[i]) && IsContainer(children[j]))
                    continue;
                if (a.intersects(Covered(children[j])))
                    faults.push_back(Name(children[i]) + " and " + Name(children[j]) + " overlap");
            }
        }
    }
}

// The picture of the window, for a look by eye: saved when VELT_TEST_GRAB_DIR names a folder.
void Grab(QWidget* w, const char* name)
{
    const QString dir = qEnvironmentVariable("VELT_TEST_GRAB_DIR");
    if (!dir.isEmpty())
        w->grab().save(QDir(dir).filePath(QString::fromLatin1(name) + ".png"));
}

} // namespace

TEST(WindowLayout, TheSourcesWindowWithAListenerThatHeardAPrintoutShowsEveryTextWhole)
{
    testutil::TempDir dir;
    ctl::TScriptedMessageBoxPort boxes;
    MappedPty pty(241);
    testutil::writeFile(dir.file("VELT.ini"),
                        rtl::toCp1251(QString::fromUtf8("[Device_000]\nTypeDev=VELT-A (тип 1)\nCOM=COM241\n")));
    TManager m(true, dir.path(), nullptr);
    auto* listener = dynamic_cast<TVelt_A*>(m.Source(0)->GetDevice());
    ASSERT_NE(listener, nullptr);
    ASSERT_EQ(listener->GetPortNumber(), 241);

    TfmFormManager* form = m.Form();
    form->show();
    QApplication::processEvents();
    std::vector<std::string> faults;
    auto check = [&](const char* picture) {
        QApplication::processEvents();
        ExpectTextsFit(form, faults);
        ExpectNothingCutOrCovered(form, faults);
        Grab(form, picture);
    };
    check("sources-window");

    // The widest values the panel shows: a verification date with its time, and the model and serial.
    ASSERT_TRUE(pty.Write(QByteArray(kPrintoutProductWord, 4) + "\xB9" "1234150310" +
                          QByteArray::fromHex("1503100930009600")));
    ASSERT_TRUE(Pump([&] { return listener->Panel()->lbDateValue->text() != QLatin1String("---"); }));
    EXPECT_EQ(listener->Panel()->lbDateValue->text(), QString::fromUtf8("15.03.2010 00:00:00"));
    check("sources-window-printout");
    // The values stand in one column.
    EXPECT_EQ(listener->Panel()->lbDateValue->x(), listener->Panel()->lbModelValue->x());
    EXPECT_EQ(listener->Panel()->lbSerialValue->x(), listener->Panel()->lbModelValue->x());

    // A new source: its type list shows its invitation, the widest of its texts.
    m.AddDeviceClick();
    ASSERT_NE(m.Source(1), nullptr);
    ASSERT_EQ(m.Source(1)->TypeCombo()->currentIndex(), -1);
    check("sources-window-new-source");

    for (const std::string& f : faults)
        ADD_FAILURE() << f;
    form->hide();
    EXPECT_EQ(boxes.Count(), 0);
}

// A list with nothing chosen against the same list with its text chosen: the picture must be the same, an enabled
// control the operator can use, not a greyed hint.
void ExpectTextLooksChosen(QComboBox* combo)
{
    ASSERT_EQ(combo->currentIndex(), -1);
    QComboBox chosen(combo->parentWidget());
    chosen.setFont(combo->font());
    chosen.setGeometry(combo->geometry());
    chosen.addItem(combo->placeholderText());
    chosen.setCurrentIndex(0);
    chosen.show();
    QApplication::processEvents();
    EXPECT_TRUE(combo->grab().toImage() == chosen.grab().toImage())
        << "\"" << combo->placeholderText().toStdString() << "\" looks unlike a chosen entry";
}

TEST(WindowLayout, ListsWithNothingChosenShowTheirTextAsAChosenEntry)
{
    QWidget panel;
    TVelt_A listener(QString::fromUtf8("VELT-A (тип 1)"), 1);
    listener.Init(&panel, TStackHooks{}, nullptr);
    TDevicesSources source(nullptr, nullptr);
    QWidget page;
    source.BuildUI(&page);
    panel.show();
    page.show();
    EXPECT_EQ(listener.Panel()->cbPort->placeholderText(), QStringLiteral("---"));
    ExpectTextLooksChosen(listener.Panel()->cbPort);
    EXPECT_EQ(source.TypeCombo()->placeholderText(), QString::fromUtf8("Выберите тип устройства"));
    ExpectTextLooksChosen(source.TypeCombo());
    Grab(&panel, "listener-panel");
    listener.Terminate();
    listener.WaitFor();
}

TEST(WindowLayout, TheNetworkedPanelShowsEveryTextWhole)
{
    ctl::TScriptedMessageBoxPort boxes;
    QWidget panel;
    panel.resize(603, 260);
    TVelt_A_NETWORK driver(QString::fromUtf8("VELT-A СЕТЕВЫЕ (тип 1)"), 3);
    driver.Init(&panel, TStackHooks{}, nullptr);
    TNetPanel* p = driver.Panel();
    panel.show();
    QApplication::processEvents();
    std::vector<std::string> faults;
    auto check = [&] {
        QApplication::processEvents();
        ExpectTextsFit(&panel, faults);
        ExpectNothingCutOrCovered(&panel, faults);
    };
    // Each state with the longest detail it shows.
    const char* states[][2] = {{"отключен", "не найдено ни одного прибора"}, {"поиск приборов", "сетевой № 255"},
                               {"опрос приборов", "скоро потребуется поверка"}, {"отключен", "COM порт недоступен"}};
    for (const auto& s : states) {
        p->lbState->setText(QString::fromUtf8(s[0]));
        p->lbDetail->setText(QString::fromUtf8(s[1]));
        check();
    }
    Grab(&panel, "networked-panel");
    p->Pages->setCurrentWidget(p->tsLog);
    check();
    for (const std::string& f : faults)
        ADD_FAILURE() << f;
}
