#include "Templates.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "report/rpBandView.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpPictureView.h"
#include "report/rpReport.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <vector>

namespace templates {

namespace {

// Design pixels: 18 make 5 mm. A4 is 756 by 1069; margins of 36 (10 mm) leave 684 (portrait) or 997
// (landscape) across.
constexpr int kMargin = 36;
constexpr int kPortraitWidth = 756 - 2 * kMargin;
constexpr int kLandscapeWidth = 1069 - 2 * kMargin;
const char* const kFont = "Arial";
const char* const kDataSet = "rpDBDataSet1";

struct Column {
    const char* caption;
    const char* text;
    int width;
    qint32 adjust;
    // Free text (names, places) breaks into lines; numbers, dates and fixed words always fit their column
    // and are never measured for it.
    bool wraps = false;
};

// One template being made: its page and what the page already holds.
class Maker {
public:
    Maker(TrpReport& report, bool landscape) : report_(report)
    {
        CurReport = &report;
        report.Pages->Clear();
        report.Values.Clear();
        report.PrintToDefault = true;
        report.TwoPass = false;
        page_ = report.Pages->Add();
        page_->ChangePaper(9, 2100, 2970, landscape ? 1 : 0);
        page_->pgMargins = gfx::TRect(kMargin, kMargin, kMargin, kMargin);
        page_->UseMargins = true;
        page_->ColCount = 1;
    }

    TrpBandView* Band(int type, int y, int height, quint16 flags, const QString& dataSet = QString())
    {
        auto* b = new TrpBandView;
        b->SetBandType(type);
        b->SetBounds(0, y, width() + 2 * kMargin, height);
        b->Flags = flags;
        b->FormatStr = dataSet;
        add(b);
        return b;
    }

    TrpMemoView* Text(int x, int y, int w, int h, const QString& text, int size = 9, bool bold = false,
                      qint32 adjust = adLeft, quint16 frame = 0)
    {
        auto* m = new TrpMemoView;
        m->SetBounds(kMargin + x, y, w, h);
        m->Memo = text.split(QLatin1Char('\n'));
        m->Font.SetName(QString::fromLatin1(kFont));
        m->Font.SetSize(size);
        m->Font.SetStyle(bold ? gfx::TFontStyles(gfx::fsBold) : gfx::TFontStyles(0));
        m->Adjust = adjust;
        m->FrameTyp = frame;
        m->GapX = 2;
        m->GapY = 1;
        add(m);
        noteVariables(text);
        return m;
    }

    TrpPictureView* Photo(int x, int y, int w, int h)
    {
        auto* p = new TrpPictureView;
        p->SetBounds(kMargin + x, y, w, h);
        p->Memo = QStringList{QStringLiteral("OBSL_PHOTO")};
        p->Flags = pfStretch | pfCenter | pfKeepAspect;
        p->FrameTyp = frAll;
        add(p);
        return p;
    }

    // A framed table: its header band repeats on every page, its data band runs over the journal.
    void Table(int headerY, int headerHeight, int dataHeight, const std::vector<Column>& columns)
    {
        Band(btMasterHeader, headerY, headerHeight, bfPrintOnFirstPage | bfPrintOnLastPage | bfReprintOnNewPage);
        Band(btMasterData, headerY + headerHeight + 12, dataHeight,
             bfStretched | bfPrintOnFirstPage | bfPrintOnLastPage, QString::fromLatin1(kDataSet));
        int x = 0;
        for (const Column& c : columns) {
            Text(x, headerY, c.width, headerHeight, QString::fromUtf8(c.caption), 7, true, adCenter | adMiddle, frAll);
            TrpMemoView* cell =
                Text(x, headerY + headerHeight + 12, c.width, dataHeight, QString::fromUtf8(c.text), 7, false, c.adjust, frAll);
            if (!c.wraps)
                cell->Flags &= ~mfWordWrap;
            x += c.width;
        }
    }

    // The title of a journal: its name, the day it was printed and who printed it.
    void JournalTitle()
    {
        Band(btReportTitle, 20, 86, bfPrintOnFirstPage | bfPrintOnLastPage);
        Text(0, 24, width(), 24, QString::fromUtf8("Журнал измерений"), 14, true, adCenter);
        Text(0, 52, width() / 2, 18, QString::fromUtf8("Дата: [daterep]"));
        Text(0, 70, width() / 2, 18, QString::fromUtf8("Оператор: [operator]"));
    }

    void PageFooter(int y)
    {
        Band(btPageFooter, y, 22, bfPrintOnFirstPage | bfPrintOnLastPage);
        Text(0, y + 3, width(), 16, QString::fromUtf8("Стр. [PAGE#]"), 8, false, adRight);
    }

    // An act: one title band with the texts one under another.
    void Act(bool withState, bool withPhoto)
    {
        Band(btReportTitle, 20, 620, bfPrintOnFirstPage | bfPrintOnLastPage);
        Text(0, 30, width(), 28, QString::fromUtf8("АКТ обследования на анализаторе алкоголя"), 14, true, adCenter);
        const int textWidth = withPhoto ? width() - 230 : width();
        const char* const lines[] = {
            "Дата: [DateIzm]  Время: [TimeIzm]",
            "Анализатор VELT, заводской № [Pribor]",
            "Номер выдоха: [Number_vidoh]",
            "Фамилия: [OBSL_Fam]",
            "Имя: [OBSL_Name]",
            "Отчество: [OBSL_Pat]",
            withState ? "Результат измерения: [Izm] [Stat]" : "Результат измерения: [Izm]",
            "Оператор: [operator]",
        };
        int y = 90;
        for (const char* line : lines) {
            Text(0, y, textWidth, 22, QString::fromUtf8(line), 11);
            y += 30;
        }
        if (withPhoto)
            Photo(width() - 210, 90, 210, 280);
        y = 480;
        Text(0, y, width() / 2, 22, QString::fromUtf8("Обследуемый ________________"), 11);
        Text(width() / 2, y, width() / 2, 22, QString::fromUtf8("Оператор ________________"), 11);
    }

    int width() const { return page_->pgOr == 1 ? kLandscapeWidth : kPortraitWidth; }

private:
    void add(TrpView* v)
    {
        CurReport = &report_;
        v->CreateUniqueName();
        page_->Objects.append(v);
    }

    // Every name a text uses is declared: one the program leaves unanswered on a row (the name on an
    // event row, the event on a measurement row) prints blank instead of being worked out as an
    // expression.
    void noteVariables(const QString& text)
    {
        int open = 0, close = 0, from = 0;
        while (rpFindBracketed(text, from, open, close)) {
            const QString name = text.mid(open + 1, close - open - 1);
            from = close + 1;
            if (name == QLatin1String("PAGE#") || report_.Values.FindVariable(name))
                continue;
            const int i = report_.Values.AddValue();
            report_.Values.SetName(i, name);
        }
    }

    TrpReport& report_;
    TrpPage* page_;
};

void journalDefault(TrpReport& r)
{
    Maker m(r, false);
    m.JournalTitle();
    m.Photo(m.width() - 60, 22, 60, 80);
    m.Table(110, 34, 18,
            {{"№", "[number_row]", 30, adRight},
             {"Дата и время", "[date]", 110, adLeft},
             {"Прибор", "[pribor]", 40, adCenter},
             {"Ф.И.О. / состояние прибора", "[FIO][Text_State_pribor]", 170, adLeft, true},
             {"Результат, мг/л", "[izm]", 60, adRight},
             {"Выдох", "[stat]", 55, adCenter},
             {"Номер выдоха", "[number_vidoh]", 50, adRight},
             {"Превышение", "[Previshenie]", 65, adCenter},
             {"Оператор", "[oper]", 104, adLeft, true}});
    m.PageFooter(400);
}

void journalMP(TrpReport& r)
{
    Maker m(r, true);
    m.JournalTitle();
    m.Table(110, 40, 18,
            {{"№", "[number_row]", 28, adRight},
             {"Дата и время", "[date]", 105, adLeft},
             {"Прибор", "[pribor]", 44, adCenter},
             {"Ф.И.О. / событие", "[FIO]", 122, adLeft, true},
             {"Алкоголь, мг/л", "[izm]", 50, adRight},
             {"В воздухе, мг/л", "[izm_air]", 50, adRight},
             {"Выдох", "[stat]", 55, adCenter},
             {"Номер выдоха", "[number_vidoh]", 45, adRight},
             {"Превышение", "[Previshenie]", 64, adCenter},
             {"Место", "[meas_place]", 72, adLeft, true},
             {"Номер авто", "[obsl_nauto]", 60, adLeft, true},
             {"Инспектор", "[insp_fio]", 103, adLeft, true},
             {"Подразделение", "[insp_depr]", 78, adLeft, true},
             {"Нагрудный знак", "[insp_numb]", 56, adLeft, true},
             {"Оператор", "[oper]", 60, adLeft, true}});
    m.PageFooter(400);
}

void actDefault(TrpReport& r)
{
    Maker(r, false).Act(false, false);
}

void actMP(TrpReport& r)
{
    Maker(r, false).Act(true, true);
}

} // namespace

QStringList TemplateNames()
{
    return {QStringLiteral("Report.rpf"), QStringLiteral("AktDefault.rpf"), QStringLiteral("Report_MP.rpf"),
            QStringLiteral("AktDefault_MP.rpf")};
}

bool BuildTemplate(const QString& name, TrpReport& report)
{
    if (name == QLatin1String("Report.rpf"))
        journalDefault(report);
    else if (name == QLatin1String("AktDefault.rpf"))
        actDefault(report);
    else if (name == QLatin1String("Report_MP.rpf"))
        journalMP(report);
    else if (name == QLatin1String("AktDefault_MP.rpf"))
        actMP(report);
    else
        return false;
    return true;
}

QByteArray NoPhotoJpeg()
{
    QImage image(240, 320, QImage::Format_RGB32);
    image.fill(QColor(192, 192, 192));
    QPainter p(&image);
    p.setPen(QColor(96, 96, 96));
    p.drawRect(0, 0, image.width() - 1, image.height() - 1);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(28);
    font.setBold(true);
    p.setFont(font);
    p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("нет фото"));
    p.end();
    gfx::TJPEGImage jpeg;
    jpeg.Assign(gfx::TBitmap(image));
    jpeg.SetCompressionQuality(90);
    return jpeg.SaveToBytes();
}

QString WriteAll(const QString& folder)
{
    const QString reports = folder + QStringLiteral("/REPORTS");
    if (!QDir().mkpath(reports))
        return QStringLiteral("cannot create ") + reports;
    try {
        for (const QString& name : TemplateNames()) {
            TrpReport report;
            BuildTemplate(name, report);
            report.SaveToFile(reports + QLatin1Char('/') + name);
        }
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    QFile photo(folder + QStringLiteral("/no_photo.jpg"));
    const QByteArray bytes = NoPhotoJpeg();
    if (!photo.open(QIODevice::WriteOnly | QIODevice::Truncate) || photo.write(bytes) != bytes.size())
        return QStringLiteral("cannot write ") + photo.fileName();
    return QString();
}

} // namespace templates
