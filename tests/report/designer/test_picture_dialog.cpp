// The picture dialog of a picture view: the four picture kinds it reads, clearing, an unreadable file,
// and the picture kept through saving and reloading the template.
#include "dialogsupport.h"

#include "platform/controls/MessageBox.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/designer/rpGEditorForm.h"
#include "report/rpPictureView.h"

#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>

using namespace destest;

namespace {

class PictureDialogTest : public EngineDesignerTest {
protected:
    PictureDialogTest()
    {
        picture = new TrpPictureView;
        picture->SetBounds(40, 40, 100, 80);
        picture->CreateUniqueName();
        page->Objects.append(picture);
    }
    // A 20 x 10 picture, red on the left half and blue on the right, written in a format.
    QString Write(const char* format, const QString& name)
    {
        QImage image(20, 10, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QPainter(&image).fillRect(0, 0, 10, 10, Qt::red);
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path, format)) << format;
        return path;
    }
    // Loads a file through the dialog's Load button and presses OK.
    void LoadThroughDialog(const QString& path, bool stretch = true)
    {
        script.File(path);
        OnModalOf<TrpGEditorForm>([stretch](TrpGEditorForm* d) {
            ClickButton(d, "Button3");
            d->CB1->setChecked(stretch);
            ClickButton(d, "Button1");
        });
        Select({picture});
        form->ShowEditor();
        picture = dynamic_cast<TrpPictureView*>(objects().first());
        ASSERT_FALSE(script.FileAsked.isEmpty());
        EXPECT_FALSE(script.FileAsked.last().Save);
        EXPECT_EQ(script.FileAsked.last().Filters,
                  (QStringList{"Picture file (*.bmp *.ico *.png *.jpg *.jpeg)", "All files (*.*)"}));
    }

    DialogScript script;
    TrpPictureView* picture;
};

} // namespace

TEST_F(PictureDialogTest, BmpPngJpegAndIconFilesAreReadAndKeptInTheTemplate)
{
    const struct {
        const char* format;
        const char* file;
        TrpPictureView::Kind kind;
    } cases[] = {
        {"BMP", "p.bmp", TrpPictureView::pkBitmap},
        {"PNG", "p.png", TrpPictureView::pkBitmap},
        {"JPEG", "p.jpg", TrpPictureView::pkBitmap},
        {"ICO", "p.ico", TrpPictureView::pkIcon},
        {"PNG", "png-named.bmp", TrpPictureView::pkBitmap}, // told by its bytes, not its name
    };
    for (const auto& c : cases) {
        LoadThroughDialog(Write(c.format, c.file));
        EXPECT_EQ(picture->StoredKind(), c.kind) << c.file;
        auto copy = Reloaded();
        auto* back = dynamic_cast<TrpPictureView*>(Find(*copy, picture->Name));
        ASSERT_TRUE(back) << c.file;
        EXPECT_EQ(back->StoredKind(), c.kind) << c.file;
        TrpGEditorForm dialog;
        dialog.LoadFrom(*back);
        const QImage shown = dialog.Image();
        ASSERT_EQ(shown.size(), QSize(20, 10)) << c.file;
        EXPECT_GT(QColor(shown.pixel(2, 5)).red(), 200) << c.file;
        EXPECT_GT(QColor(shown.pixel(17, 5)).blue(), 200) << c.file;
    }
}

TEST_F(PictureDialogTest, UnreadableFileIsRefusedAndCancelKeepsThePicture)
{
    LoadThroughDialog(Write("BMP", "first.bmp"));
    const QByteArray before = picture->StoredBytes();
    const QString path = dir.filePath("drawing.wmf");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\xD7\xCD\xC6\x9A\0\0vector", 12));
    f.close();
    ctl::TScriptedMessageBoxPort boxes;
    LoadThroughDialog(path);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.AskedSoFar()[0].text.contains("drawing.wmf"));
    EXPECT_EQ(picture->StoredBytes(), before);

    // Clear then Cancel: nothing changes; Clear then OK: the picture goes.
    OnModalOf<TrpGEditorForm>([](TrpGEditorForm* d) {
        ClickButton(d, "Button4");
        EXPECT_TRUE(d->IsEmpty());
        ClickButton(d, "Button2");
    });
    form->ShowEditor();
    picture = dynamic_cast<TrpPictureView*>(objects().first());
    EXPECT_EQ(picture->StoredBytes(), before);
    const int undo = form->UndoBufferLength;
    OnModalOf<TrpGEditorForm>([](TrpGEditorForm* d) {
        ClickButton(d, "Button4");
        ClickButton(d, "Button1");
    });
    form->ShowEditor();
    picture = dynamic_cast<TrpPictureView*>(objects().first());
    EXPECT_TRUE(picture->IsEmpty());
    EXPECT_EQ(form->UndoBufferLength, undo + 1);
    EXPECT_TRUE(dynamic_cast<TrpPictureView*>(Find(*Reloaded(), picture->Name))->IsEmpty());
}

TEST_F(PictureDialogTest, StretchSwitchesThePreviewOnly)
{
    TrpGEditorForm dialog;
    ASSERT_TRUE(dialog.LoadFile(Write("PNG", "s.png")));
    EXPECT_TRUE(dialog.CB1->isChecked());
    EXPECT_TRUE(dialog.Image1->hasScaledContents());
    dialog.CB1->setChecked(false);
    EXPECT_FALSE(dialog.Image1->hasScaledContents());
    EXPECT_EQ(dialog.Image1->size(), QSize(20, 10));
    ExpectLaidOutCleanly(&dialog, "picture-editor");
}
