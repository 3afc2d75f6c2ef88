// The editor dialogs as shown: every text whole, no control over another; screenshots for a look.
#include "designerfixture.h"
#include "designerdialogs.h"

#include "report/designer/rpEditorForm.h"
#include "report/designer/rpEvForm.h"
#include "report/designer/rpFieldsForm.h"
#include "report/designer/rpFmtForm.h"
#include "report/designer/rpHilightForm.h"
#include "report/designer/rpVaredForm.h"
#include "report/designer/rpVarForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace destest;

namespace {

class EditorDialogsLookTest : public DesignerTest {
protected:
    void Look(QDialog* dialog, const QString& name, const std::function<void()>& after = {})
    {
        dialog->show();
        QApplication::processEvents();
        if (after)
            after();
        SCOPED_TRACE(name.toStdString());
        ExpectLaidOutCleanly(dialog, name);
        dialog->reject();
    }
};

} // namespace

TEST_F(EditorDialogsLookTest, EveryDialogShowsItsTextsWhole)
{
    report->Variables = QStringList{QStringLiteral("Person"), QStringLiteral(" Name")};
    report->Values.SetName(report->Values.AddValue(), QStringLiteral("Name"));
    TrpMemoView* m = Memo(10, 10, 80, 20, QStringLiteral("[Name]"));

    TrpEditorForm editor;
    editor.View = m;
    editor.FormShow();
    Look(&editor, QStringLiteral("memo-editor"), [&] { editor.CB1->click(); });
    TrpEditorForm small;
    small.View = m;
    small.FormShow();
    small.CB1->click();
    Look(&small, QStringLiteral("memo-editor-smallest"), [&] { small.resize(small.minimumSize()); });
    EXPECT_GE(small.minimumHeight(), 200);

    TrpVarForm vars(report.get());
    Look(&vars, QStringLiteral("variable-picker"));
    TrpFieldsForm fields(report.get());
    Look(&fields, QStringLiteral("field-picker"));
    TrpEvForm ev(report.get());
    ev.Init();
    Look(&ev, QStringLiteral("variables-editor"));
    TrpVaredForm list(report.get());
    Look(&list, QStringLiteral("variables-list"));

    TrpFmtForm numbers;
    numbers.Format = 0x0102022C;
    Look(&numbers, QStringLiteral("format-editor-number"));
    TrpFmtForm custom;
    custom.Format = 0x02040000;
    custom.Edit1->setText(QStringLiteral("dd.mm.yyyy"));
    Look(&custom, QStringLiteral("format-editor-custom"));

    TrpHilightForm highlight;
    highlight.FillColor = gfx::TColor(0x00FFFF);
    Look(&highlight, QStringLiteral("highlight-editor"));
}
