#pragma once
// Pieces both act windows are built of.
#include <QString>

#include <initializer_list>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
namespace gfx { class TJPEGImage; }

// An edit that takes at most maxLength characters and turns every typed one into its upper-case form
// (Cyrillic too).
QLineEdit* UpperCaseEdit(QWidget* parent, int maxLength);
// The still photo in its label, or the no-photo picture for none.
void ShowStillPhoto(QLabel* target, const gfx::TJPEGImage* photo);
// Enter in an edit must neither save nor cancel an act: none of these is the dialog's default button.
void NoDefaultButton(std::initializer_list<QPushButton*> buttons);
// One row of the instrument data group: its caption (returned) and a value label made into value.
QLabel* AddDataRow(QGridLayout* grid, int row, const char* caption, QLabel*& value);
// A value as the act shows it: "0.000 мг/л".
QString ActValueText(double value);
