#include "journal/ActControls.h"

#include "journal/NoPhoto.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/FormatFloat.h"

#include <QGridLayout>
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

QLabel* AddDataRow(QGridLayout* grid, int row, const char* caption, QLabel*& value)
{
    QWidget* group = grid->parentWidget();
    auto* l = new QLabel(QString::fromUtf8(caption), group);
    value = new QLabel(group);
    grid->addWidget(l, row, 0);
    grid->addWidget(value, row, 1);
    return l;
}
