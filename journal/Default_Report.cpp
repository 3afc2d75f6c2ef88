#include "journal/Default_Report.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "report/rpGlobals.h"
#include "report/rpPictureView.h"
#include "report/rpReport.h"

#include <QVariant>

TfmDefault_Report::TfmDefault_Report(QWidget* owner) : TfmReportWindow(owner, QStringLiteral("fmDefault_Report"))
{
    rpRep->OnGetValue = [this](const QString& name, QVariant& value) { rpRepGetValue(name, value); };
    rpRep->OnEnterRect = [this](QStringList& memo, TrpView* view) { rpRepEnterRect(memo, view); };
    rpRepAkt->OnGetValue = [this](const QString& name, QVariant& value) { rpRepAktGetValue(name, value); };
    rpRepAkt->OnEnterRect = [this](QStringList& memo, TrpView* view) { rpRepAktEnterRect(memo, view); };
}

const QString TfmDefault_Report::JournalTemplate = QStringLiteral("Report.rpf");

bool TfmDefault_Report::ShowJournal(TDataSet* query, TDataSource* source, const QString& workDir,
                                    const QString& operatorName)
{
    BindJournal(query, source, workDir, operatorName);
    return showJournal(JournalTemplate);
}

void TfmDefault_Report::BindJournal(TDataSet* query, TDataSource* source, const QString& workDir,
                                    const QString& operatorName)
{
    bindJournal(query, source, workDir, operatorName);
}

bool TfmDefault_Report::ShowAct(const QString& workDir, const TDataReportAkt& act)
{
    return showAct(workDir, act, QStringLiteral("AktDefault.rpf"));
}

void TfmDefault_Report::rpRepGetValue(const QString& name, QVariant& value)
{
    if (journalValue(name, value))
        return;
    static const QStringList rowNames = {"Text_State_pribor", "izm", "number_vidoh", "Previshenie", "stat", "oper", "FIO"};
    if (!rowNames.contains(name))
        return;
    const bool event = fieldText("PAGE_FOOT") == QLatin1String("1"); // an interlock event row
    const QString dashes = QStringLiteral("---");
    if (name == QLatin1String("FIO")) {
        if (!event)
            value = PersonText(fieldText("OBSL_FAM"), fieldText("OBSL_NAME"), fieldText("OBSL_PAT"));
    } else if (name == QLatin1String("Text_State_pribor")) {
        if (event)
            value = QStringLiteral("/ ") + EventText(fieldInt("NUM_VIDOH"));
    } else if (name == QLatin1String("izm")) {
        value = event ? dashes : fieldText("IZM");
    } else if (name == QLatin1String("number_vidoh")) {
        value = event ? dashes : QString::number(fieldInt("NUM_VIDOH"));
    } else if (name == QLatin1String("Previshenie")) {
        value = event ? dashes : QStringLiteral("...");
    } else if (name == QLatin1String("stat")) {
        value = event ? dashes : fieldText("STAT") == QLatin1String("1") ? QString::fromUtf8("прерван.")
                                                                          : QString::fromUtf8("норм.");
    } else if (name == QLatin1String("oper")) {
        value = fieldText("OPER");
    }
}

void TfmDefault_Report::rpRepAktGetValue(const QString& name, QVariant& value)
{
    if (actValue(name, value))
        return;
    if (name == QLatin1String("Izm"))
        value = QString::number(act_.IZM, 'f', 3) +
                (act_.STAT == QLatin1Char('0') ? QString::fromUtf8(" мг/л ") : QString::fromUtf8(" мг/л (прерван)"));
}

void TfmDefault_Report::rpRepEnterRect(QStringList& memo, TrpView* view)
{
    if (view->Typ != gtPicture || memo.value(0) != QLatin1String("OBSL_PHOTO"))
        return;
    auto* picture = static_cast<TrpPictureView*>(view);
    picture->Picture.Clear();
    QString file = rtl::resolveCaseInsensitive(workDir_ + QStringLiteral("/PHOTOS/tmp.jpg"));
    if (!rtl::existsCaseInsensitive(file))
        file = rtl::resolveCaseInsensitive(workDir_ + QStringLiteral("/no_photo.jpg"));
    // A missing or unreadable picture leaves the object empty; the journal still prints.
    if (!rtl::existsCaseInsensitive(file))
        return;
    try {
        gfx::TJPEGImage jpeg;
        jpeg.LoadFromFile(file);
        picture->Picture.SetGraphic(std::make_unique<gfx::TBitmap>(jpeg.ToImage()));
    } catch (const std::exception&) {
        picture->Picture.Clear();
    }
}

void TfmDefault_Report::rpRepAktEnterRect(QStringList&, TrpView*) {}
