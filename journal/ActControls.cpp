#include "journal/ActControls.h"

#include "journal/NoPhoto.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/FormatFloat.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QLineEdit* UpperCaseEdit(QWidget* parent, int maxLength)
{
    auto* e = new QLineEdit(parent);
    e->setMaxLength(maxLength);
    // eUpperCase.
    QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString& text) {
        const QString upper = text.toUpper();
        if (upper != text) {
            const int pos = e->cursorPosition();
            e->setText(upper);
            e->setCursorPosition(pos);
        }
    });
    return e;
}

void ShowStillPhoto(QLabel* target, const gfx::TJPEGImage* photo)
{
    QImage image;
    if (photo && !photo->Empty()) {
        image = photo->ToImage();
    } else {
        gfx::TJPEGImage none;
        LoadResourceJpeg(QStringLiteral("NO_PHOTO_JPG"), none);
        image = none.ToImage();
    }
    target->setPixmap(QPixmap::fromImage(image.scaled(target->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void NoDefaultButton(std::initializer_list<QPushButton*> buttons)
{
    for (QPushButton* b : buttons)
        b->setAutoDefault(false);
}

QString ActValueText(double value)
{
    return rtl::FormatFloat(QStringLiteral("0.000"), value, rtl::TFormatSettings::english()) + QStringLiteral(" мг/л");
}
