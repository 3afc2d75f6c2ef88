#pragma once
// The text object: its text is expanded (bracketed expressions), wrapped with Russian hyphenation,
// measured, drawn on screen and paper with the same line breaks at every zoom, split across pages,
// highlighted by a condition and handed to an export filter.
//
// Layout lines (what wrapping makes and a split memo carries in its prepared record): the line's text,
// the byte 1 when the line ends a paragraph, then two bytes with its width in pixels at 96 dpi (high
// byte first). The width bytes are kept as the cp1251 characters of those bytes, so the record's bytes
// are exact.
#include "platform/graphics/Font.h"
#include "report/rpView.h"

enum : quint16 { mfStretch = 1, mfWordWrap = 2, mfHyphenate = 4, mfAutoWidth = 8 };
// Adjust: bits 0-1 alignment, bit value 4 turned text, bits 3-4 vertical placement.
enum : qint32 { adLeft = 0, adRight = 1, adCenter = 2, adJustify = 3, adTurned = 4, adMiddle = 8, adBottom = 16 };

struct TrpLayoutLine {
    QString Text;
    bool ParagraphEnd = false;
    int Width = 0;
};

class TrpMemoView : public TrpStretcheable {
public:
    TrpMemoView();
    QString ClassName() const override { return QStringLiteral("TrpMemoView"); }
    void Assign(const TrpView& from) override;
    void GetBlob(TField* field) override;
    void Draw(gfx::TCanvas* canvas) override;
    void Print(QIODevice& stream) override;
    void ExportData() override;
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;
    int CalcHeight() override;
    int MinHeight() override { return LineHeight; }
    int RemainHeight() override { return int(Memo1.size()) * LineHeight; }

    int CalcWidth(const QStringList& lines);
    void ExpandVariables();
    // Lays out Memo1 at scale 1 into SMemo-form lines; sets the text height and LineHeight.
    QStringList WrapMemo();
    // Draws the laid-out lines of Memo1.
    void ShowMemo();

    gfx::TFont Font;
    bool ClipAtBottom = false;
    int LineHeight = 0;
    int DrawnLines = 0;
    bool Exporting = false;
    qint32 Adjust = 0;
    quint16 HighlightFontStyle = 2;
    gfx::TColor HighlightFontColor = gfx::clBlack;
    gfx::TColor HighlightFillColor = gfx::clWhite;
    QString HighlightStr;
    qint32 LineSpacing = 2;
    qint32 CharSpacing = 0;

    // Layout lines in and out of their text form.
    static QString EncodeLayoutLine(const TrpLayoutLine& line);
    static TrpLayoutLine DecodeLayoutLine(const QString& text);
    // The text is already laid out: its first or its last line holds the byte 1.
    static bool IsLaidOut(const QStringList& lines);
    // Break positions of a word (after its i-th character, 1-based), for Russian words of 5 or more letters.
    static QList<int> HyphenPositions(const QString& word);

private:
    // The lines of Memo1 at scale 1; sets the text height and LineHeight. Without widths only the lines
    // are found (a height needs no more).
    QList<TrpLayoutLine> layoutLines(bool widths);
    void breakLine(const QString& line, int width, bool widths, QList<TrpLayoutLine>& out);
    void applyHighlight();
    int textHeight_ = 0;
};

// Style code of the stream (1 italic, 2 bold, 4 underline) and the font's style set.
quint16 rpStyleToCode(gfx::TFontStyles style);
gfx::TFontStyles rpCodeToStyle(quint16 code);

// Finds the next "[...]" at or after from (nested brackets counted, brackets inside quotes ignored):
// the positions of '[' and its matching ']', or false.
bool rpFindBracketed(const QString& text, int from, int& open, int& close);
