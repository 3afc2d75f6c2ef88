#pragma once
// The picture dialog of a picture view: load (BMP, ICO, PNG, JPEG), clear, stretch the preview, or go
// to the view's memo. It works on its own copy; the designer takes the picture over on OK.
#include "report/rpPictureView.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

class TrpGEditorForm : public QDialog {
public:
    explicit TrpGEditorForm(QWidget* parent = nullptr);

    void LoadFrom(const TrpPictureView& view);
    void SaveTo(TrpPictureView& view) const;
    // Reads a picture file; false (after telling the user) when it is not a picture this system reads.
    bool LoadFile(const QString& path);
    void Clear();
    bool IsEmpty() const;
    // The picture as shown (null when empty or not drawable).
    QImage Image() const;

    QLabel* Image1;
    QFrame* Bevel1;
    QCheckBox* CB1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;

    // Button5: the memo editor of the view being edited. Unset: the button opens nothing.
    std::function<void()> OnMemo;

private:
    void showPicture();
    gfx::TPicture picture_;
    TrpPictureView::Kind storedKind_ = TrpPictureView::pkNone;
    QByteArray storedBytes_;
};
