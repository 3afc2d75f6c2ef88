// The act side of the "default_mp" controller: the act record, waiting for the next measurement, the
// photo, saving and cancelling. The act window shows what this keeps.
#include "journal/Default_MP_Akt.h"
#include "journal/Default_MP_Report.h"

#include "core/Debug.h"
#include "core/Measurement.h"
#include "journal/JournalErrors.h"
#include "core/CriticalSection.h"
#include "journal/VideoPhotoPanel.h"
#include "platform/controls/DialogPort.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/BlobStream.h"
#include "platform/data/Field.h"
#include "platform/graphics/Bitmap.h"


void TfmDefault_MP_Akt::NewMeasure(const TVELTMeasurement* rec, int refresh)
{
    if (rec) {
        lastFiled_ = false;
        int id = 0, row = 0;
        try {
            id = Filing.MergeRecord(*rec, &row);
            lastFiled_ = true;
        } catch (const std::exception& e) {
            unfiled(*rec, e.what());
        } catch (...) {
            unfiled(*rec, "unknown error");
        }
        try {
            if (lastFiled_ && IsWaiting()) {
                FlushView();
                if (Filing.Locate(id))
                    row = ADOQuery->RecNo();
                MeasurementArrived();
                ActFromMeasurement(*rec, id, row);
            }
        } catch (...) {
            Dbg().Print("NewMeasure - error");
        }
    }
    if (!refresh)
        return;
    burstEnded();
    try {
        RefreshView(-1);
    } catch (...) {
        Dbg().Print("NewMeasure - error");
        // The burst is over even when its view could not be read: the grid and the buttons the burst
        // disabled come back, as for an empty view, instead of staying disabled until another burst.
        if (refresh && ADOQuery)
            viewOpened(ADOQuery->Active() ? ADOQuery->RecordCount() : 0);
    }
}

void TfmDefault_MP_Akt::InitAct(TDataForm_MP& act)
{
    act = TDataForm_MP();
    act.STAT = QChar();
    act.OPER = Filing.OperatorText();
    act.flag = QChar();
}

void TfmDefault_MP_Akt::showWaiting(bool waiting)
{
    Window->SetWaiting(waiting);
}

void TfmDefault_MP_Akt::ShowAct(const TDataForm_MP& act)
{
    Akt = act;
    Window->ShowAct(act);
}

void TfmDefault_MP_Akt::ActFromMeasurement(const TVELTMeasurement& m, int id, int rowNo)
{
    TDataForm_MP a = Window->ActFromControls(Akt);
    Filing.FillAct(a, m, id);
    a.RowNumber = rowNo;
    a.flag = m.Probe.Flag ? QLatin1Char('1') : QLatin1Char('0');
    ShowAct(a);
}

bool TfmDefault_MP_Akt::FixPhoto(const QImage& frame)
{
    Photo.reset();
    PhotoFixed = false;
    try {
        if (frame.isNull())
            throw std::runtime_error("no frame");
        auto jpeg = std::make_unique<gfx::TJPEGImage>();
        jpeg->Assign(gfx::TBitmap(frame));
        jpeg->SetCompressionQuality(Settings.JpegQuality);
        jpeg->Compress();
        Photo = std::move(jpeg);
        // Taken in this act: saving the act stores it, however the act was opened.
        PhotoFixed = true;
    } catch (...) {
        Photo.reset();
    }
    Window->ShowPhoto(Photo.get());
    return Photo != nullptr;
}

void TfmDefault_MP_Akt::NewAct()
{
    Photo.reset();
    PhotoFixed = false;
    InitAct(Akt);
    Window->ShowPhoto(nullptr);
    ShowAct(Akt);
    StartWaiting();
    Window->VideoPanel().ShowStill();
    ctl::ExecDialog(*Window);
}

bool TfmDefault_MP_Akt::StartVideo()
{
    TVideoPhotoPanel& panel = Window->VideoPanel();
    if (Settings.VideoOn && !panel.Client()) {
        // The server program is installed beside the journal's program.
        Settings.VideoOn = panel.StartVideo(AppDir) ? 1 : 0;
        Dbg().Print("StartVideo: video %s", Settings.VideoOn ? "on" : "off, the server did not answer");
    }
    return panel.VideoOn();
}

void TfmDefault_MP_Akt::StopVideo()
{
    Window->VideoPanel().StopVideo();
}

void TfmDefault_MP_Akt::RestartVideo()
{
    StopVideo();
    StartVideo();
}

void TfmDefault_MP_Akt::OpenAct()
{
    if (!ADOQuery || !ADOQuery->Active() || ADOQuery->IsEmpty())
        return;
    TDataForm_MP a;
    bool photoUnreadable = false;
    if (!RunReported("OpenAct", journal_msg::kOpenAct, [&] { a = readAct(photoUnreadable); }))
        return;
    Window->ShowPhoto(Photo.get());
    StopWaiting();
    ShowAct(a);
    Window->VideoPanel().ShowStill();
    if (photoUnreadable)
        ctl::MessageBox(journal_msg::kBadPhoto, QStringLiteral("Внимание"), ctl::MB_OK | ctl::MB_ICONWARNING);
    ctl::ExecDialog(*Window);
}

TDataForm_MP TfmDefault_MP_Akt::readAct(bool& photoUnreadable)
{
    TDataForm_MP a;
    InitAct(a);
    {
        TCritLock lock(TableLock);
        auto text = [&](const char* name) { return ADOQuery->FieldByName(QString::fromLatin1(name))->AsString(); };
        auto integer = [&](const char* name) { return ADOQuery->FieldByName(QString::fromLatin1(name))->AsInteger(); };
        a.ID = integer("ID");
        a.PRIBOR = integer("PRIBOR");
        a.NUM_VIDOH = integer("NUM_VIDOH");
        a.SATURDATA = integer("SATURDATA");
        a.DATA_IZM = text("DATA_IZM");
        const QString stat = text("STAT");
        a.STAT = stat.isEmpty() ? QChar() : stat.at(0);
        a.OBSL_FAM = text("OBSL_FAM");
        a.OBSL_NAME = text("OBSL_NAME");
        a.OBSL_PAT = text("OBSL_PAT");
        a.MEAS_PLACE = text("MEAS_PLACE");
        a.OBSL_NAUTO = text("OBSL_NAUTO");
        a.INSP_FAM = text("INSP_FAM");
        a.INSP_NAME = text("INSP_NAME");
        a.INSP_PAT = text("INSP_PAT");
        a.INSP_DEPR = text("INSP_DEPR");
        a.INSP_NUMB = text("INSP_NUMB");
        a.OPER = text("OPER");
        a.IZM = ADOQuery->FieldByName(QStringLiteral("IZM"))->AsFloat();
        a.IZM_AIR = ADOQuery->FieldByName(QStringLiteral("IZM_AIR"))->AsFloat();

        Photo.reset();
        PhotoFixed = false;
        TField* memo = ADOQuery->FieldByName(QStringLiteral("OBSL_PHOTO"));
        // A photo that cannot be read (damaged memo or JPEG) leaves the act without one; the stored bytes
        // stay as they are.
        try {
            const QByteArray bytes = memo->IsNull() ? QByteArray() : ADOQuery->CreateBlobStream(memo, bmRead)->readAll();
            if (!bytes.isEmpty()) {
                auto jpeg = std::make_unique<gfx::TJPEGImage>();
                jpeg->LoadFromBytes(bytes);
                Photo = std::move(jpeg);
            }
        } catch (const std::exception& e) {
            Dbg().Print("OpenAct - photo of record %i: %s", a.ID, e.what());
            photoUnreadable = true;
        }
        a.RowNumber = ADOQuery->RecNo();
    }
    return a;
}

void TfmDefault_MP_Akt::bWaitNewIzmClick()
{
    StartWaiting();
}

void TfmDefault_MP_Akt::bSaveClick()
{
    const TDataForm_MP a = Window->ActFromControls(Akt);
    if (a.ID != 0) {
        // A refused save keeps the act open with what was typed.
        const bool saved = RunReported("bSaveClick", journal_msg::kSaveAct, [&] {
            Filing.UpdateRecord(a);
            if (Photo && !Photo->Empty() && PhotoFixed) {
                if (Filing.WritePhoto(a.ID, Photo->SaveToBytes()))
                    PhotoFixed = false;
                Window->ShowPhoto(Photo.get());
            }
        });
        if (!saved)
            return;
        flush("bSaveClick");
        // Back to the act's record: its row number is stale when records were filed while the act was open
        // (the view then changed); the number serves only when the view no longer holds the record.
        if (ADOQuery->Active() && !Filing.Locate(a.ID) &&
            a.RowNumber > 0 && a.RowNumber <= ADOQuery->RecordCount())
            ADOQuery->SetRecNo(a.RowNumber);
    }
    Window->done(1);
}

void TfmDefault_MP_Akt::bPrintAktClick()
{
    const TDataForm_MP a = Window->ActFromControls(Akt);
    TfmDefault_MP_Report report(Window.get());
    report.Photo = Photo.get();
    if (report.ShowAct(WorkDir, ReportAktOf(a)))
        ctl::ExecDialog(report);
}

void TfmDefault_MP_Akt::bCancelClick()
{
    Photo.reset();
    PhotoFixed = false;
    Window->done(2);
}
