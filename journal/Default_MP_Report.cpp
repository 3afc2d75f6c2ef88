#include "journal/Default_MP_Report.h"

#include "db/DBInfoPribors.h"
#include "journal/NoPhoto.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "report/rpGlobals.h"
#include "report/rpPictureView.h"
#include "report/rpReport.h"

#include <QVariant>

TfmDefault_MP_Report::TfmDefault_MP_Report(QWidget* owner)
    : TfmReportWindow(owner, QStringLiteral("fmDefault_MP_Report"))
{
    rpRep->OnGetValue = [this](const QString& name, QVariant& value) { rpRepGetValue(name, value); };
    rpRepAkt->OnGetValue = [this](const QString& name, QVariant& value) { rpRepAktGetValue(name, value); };
    rpRepAkt->OnEnterRect = [this](QStringList& memo, TrpView* view) { rpRepAktEnterRect(memo, view); };
}

const QString TfmDefault_MP_Report::JournalTemplate = QStringLiteral("Report_MP.rpf");

bool TfmDefault_MP_Report::ShowJournal(TDataSet* query, TDataSource* source, TDBInfoPribors* infoPribors,
                                       const QString& workDir, const QString& operatorName)
{
    BindJournal(query, source, infoPribors, workDir, operatorName);
    return showJournal(JournalTemplate);
}

void TfmDefault_MP_Report::BindJournal(TDataSet* query, TDataSource* source, TDBInfoPribors* infoPribors,
                                       const QString& workDir, const QString& operatorName)
{
    infoPribors_ = infoPribors;
    bindJournal(query, source, workDir, operatorName);
}

bool TfmDefault_MP_Report::ShowAct(const QString& workDir, const TDataReportAkt& act)
{
    return showAct(workDir, act, QStringLiteral("AktDefault_MP.rpf"));
}

void TfmDefault_MP_Report::rpRepGetValue(const QString& name, QVariant& value)
{
    if (journalValue(name, value))
        return;
    // An interlock event row; read only for the names that differ on one.
    auto event = [this] { return fieldInt("TYPERECORD") == 2; };
    const QString dashes = QStringLiteral("---");
    if (name == QLatin1String("FIO")) {
        value = event() ? QStringLiteral("/ ") + EventText(fieldInt("NUM_VIDOH"))
                      : PersonText(fieldText("OBSL_FAM"), fieldText("OBSL_NAME"), fieldText("OBSL_PAT"));
    } else if (name == QLatin1String("meas_place")) {
        value = fieldText("MEAS_PLACE");
    } else if (name == QLatin1String("obsl_nauto")) {
        value = fieldText("OBSL_NAUTO");
    } else if (name == QLatin1String("insp_depr")) {
        value = fieldText("INSP_DEPR");
    } else if (name == QLatin1String("insp_numb")) {
        value = fieldText("INSP_NUMB");
    } else if (name == QLatin1String("insp_fio")) {
        value = PersonText(fieldText("INSP_FAM"), fieldText("INSP_NAME"), fieldText("INSP_PAT"));
    } else if (name == QLatin1String("izm")) {
        value = fieldText("IZM");
    } else if (name == QLatin1String("izm_air")) {
        value = fieldInt("SATURDATA") != 20 ? dashes : fieldText("IZM_AIR");
    } else if (name == QLatin1String("number_vidoh")) {
        value = event() ? dashes : QString::number(fieldInt("NUM_VIDOH"));
    } else if (name == QLatin1String("Previshenie")) {
        if (event()) {
            value = dashes;
        } else {
            const double norm = infoPribors_ ? infoPribors_->Norma(uint32_t(fieldInt("PRIBOR")), fieldText("DATA_IZM"))
                                             : TDBInfoPribors::Norma_Zakon(0);
            value = fieldFloat("IZM") > norm ? QString::fromUtf8("да") : QString::fromUtf8("нет");
        }
    } else if (name == QLatin1String("stat")) {
        if (event()) {
            value = dashes;
        } else {
            const QString stat = fieldText("STAT");
            value = stat == QLatin1String("0")   ? QString::fromUtf8("норм.")
                    : stat == QLatin1String("1") ? QString::fromUtf8("прерван.")
                    : stat == QLatin1String("2") ? QString::fromUtf8("отказ.")
                    : stat == QLatin1String("3") ? QString::fromUtf8("руч.отбор")
                                                 : QStringLiteral("(?)");
        }
    } else if (name == QLatin1String("oper")) {
        value = fieldText("OPER");
    }
}

void TfmDefault_MP_Report::rpRepAktGetValue(const QString& name, QVariant& value)
{
    if (actValue(name, value))
        return;
    if (name == QLatin1String("Izm")) {
        value = QString::number(act_.IZM, 'f', 3) + QString::fromUtf8(" мг/л");
    } else if (name == QLatin1String("Stat")) {
        const QChar s = act_.STAT;
        value = s == QLatin1Char('0')   ? QString::fromUtf8("(нормальный)")
                : s == QLatin1Char('1') ? QString::fromUtf8("(прерван)")
                : s == QLatin1Char('2') ? QString::fromUtf8("(отказ)")
                : s == QLatin1Char('3') ? QString::fromUtf8("(ручной отбор пробы)")
                                        : QStringLiteral("(?)");
    }
}

void TfmDefault_MP_Report::rpRepAktEnterRect(QStringList& memo, TrpView* view)
{
    if (view->Typ != gtPicture || memo.value(0) != QLatin1String("OBSL_PHOTO"))
        return;
    auto* picture = static_cast<TrpPictureView*>(view);
    gfx::TJPEGImage none;
    const gfx::TJPEGImage* photo = Photo;
    if (!photo || photo->Empty()) {
        LoadResourceJpeg(QStringLiteral("NO_PHOTO_JPG"), none);
        photo = &none;
    }
    if (photo->Empty())
        picture->Picture.Clear();
    else
        picture->Picture.SetGraphic(std::make_unique<gfx::TBitmap>(photo->ToImage()));
}
