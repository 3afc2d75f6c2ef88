#include "report/rpReport.h"

#include "platform/controls/MessageBox.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/ScopeGuard.h"
#include "report/rpBand.h"
#include "report/rpDBDataSet.h"
#include "report/rpDataHelpers.h"
#include "report/rpEMFPages.h"
#include "report/rpExportFilter.h"
#include "report/rpFormat.h"
#include "report/rpFunctionLibrary.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpParser.h"
#include "report/rpPreview.h"
#include "report/rpScriptNames.h"
#include "report/rpStream.h"
#include "report/rpStrings.h"
#include "report/rpView.h"
#include "report/rpXmlExport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <cmath>
#include <utility>

namespace {

const char* const kUnsupported = "Unsupported RPF format";

// Marks a name as being worked out for as long as the guard returned lives.
auto evaluating(QSet<QString>& set, const QString& name)
{
    QString key = name.toUpper();
    // A chain of names that never repeats exactly (each one a blank longer, say) must end too.
    if (set.contains(key) || set.size() >= rplimits::NameDepth)
        throw ErpError(QStringLiteral("Undefined symbol \"") + name + QLatin1Char('"'));
    set.insert(key);
    return rtl::TScopeGuard([&set, key] { set.remove(key); });
}

QVariant calc(const QString& expression)
{
    if (!rpParser)
        throw ErpError(QStringLiteral("Undefined symbol \"") + expression + QLatin1Char('"'));
    return rpParser->Calc(expression);
}

} // namespace

TrpReport::TrpReport(TrpOwner* owner, const QString& name)
    : Owner(owner), Name(name), Pages(std::make_unique<TrpPages>(this)), EMFPages(std::make_unique<TrpEMFPages>(this)),
      FileName(rpLoadStr(55209))
{
    // Engine start-up: the parser, the script interpreter and the script variables exist before any
    // report is loaded, built or asked for a value (made once, on the first report).
    rpTheParser();
    rpTheInterpretator();
}

TrpReport::~TrpReport()
{
    // A preview still showing the pages gives them back now, not later to a dead report.
    if (ConnectedView)
        ConnectedView->ConnectBack();
    EMFPages.reset();
    Pages.reset();
    if (CurReport == this)
        CurReport = nullptr;
    if (MasterReport == this)
        MasterReport = nullptr;
}

void TrpReport::ShowLoadError()
{
    ctl::MessageBox(QString::fromLatin1(kUnsupported), rpLoadStr(55206), ctl::MB_OK | ctl::MB_ICONERROR);
}

bool TrpReport::LoadFromStream(QIODevice& s)
{
    CurReport = this;
    const qint64 start = s.pos();
    quint8 version = 0;
    try {
        version = rpReadByte(s);
    } catch (const ErpStreamError&) {
        ShowLoadError();
        return false;
    }
    rpVersion = version;
    if (rpVersion < 21) {
        // The oldest form has no version byte: its first byte is data.
        rpVersion = 21;
        s.seek(start);
    }
    if (rpVersion > rpCurrentVersion) {
        ShowLoadError();
        return false;
    }
    try {
        Pages->LoadFromStream(s);
    } catch (const std::exception&) {
        Pages->Clear();
        Pages->Add();
        ShowLoadError();
        return false;
    }
    return true;
}

void TrpReport::SaveToStream(QIODevice& s)
{
    CurReport = this;
    if (XmlMode) {
        rpSaveToRP3Stream(this, s);
        return;
    }
    rpWriteByte(s, rpCurrentVersion);
    Pages->SaveToStream(s);
}

bool TrpReport::LoadFromFile(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw ErpError(QStringLiteral("Cannot open file \"") + fileName + QStringLiteral("\". ") + f.errorString());
    const bool ok = LoadFromStream(f);
    FileName = fileName;
    return ok;
}

void TrpReport::SaveToFile(const QString& fileName)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    SaveToStream(buffer);
    QFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(buffer.data()) != buffer.size())
        throw ErpError(QStringLiteral("Cannot create file \"") + fileName + QStringLiteral("\". ") + f.errorString());
}

void TrpReport::SaveToDB(TDataSet* d, int docN)
{
    d->First();
    while (!d->Eof() && d->Fields(0)->AsInteger() != docN)
        d->Next();
    if (d->Eof())
        d->Append();
    else
        d->Edit();
    d->Fields(0)->SetValue(docN);
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    SaveToStream(buffer);
    d->Fields(1)->SetValue(buffer.data());
    d->Post();
}

bool TrpReport::LoadFromDB(TDataSet* d, int docN)
{
    d->First();
    while (!d->Eof() && d->Fields(0)->AsInteger() != docN)
        d->Next();
    if (d->Eof())
        return false;
    QByteArray bytes = d->Fields(1)->Value().toByteArray();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return LoadFromStream(buffer);
}

void TrpReport::SaveTemplate(const QString& fileName, const QStringList& desc, const gfx::TBitmap* bmp)
{
    QBuffer s;
    s.open(QIODevice::ReadWrite);
    CurReport = this;
    rpWriteMemo(s, desc);
    const qint64 patch = s.pos();
    rpWriteInt(s, 0);
    const bool hasPicture = bmp && !bmp->Empty();
    rpWriteByte(s, hasPicture ? 1 : 0);
    if (hasPicture)
        bmp->SaveToStream(s);
    const qint64 body = s.pos();
    s.seek(patch);
    rpWriteInt(s, qint32(body));
    s.seek(body);
    Pages->SaveToStream(s);
    QFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(s.data()) != s.size())
        throw ErpError(QStringLiteral("Cannot create file \"") + fileName + QStringLiteral("\". ") + f.errorString());
}

bool TrpReport::LoadTemplate(const QString& fileName, QStringList& desc, gfx::TBitmap* bmp, bool load)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw ErpError(QStringLiteral("Cannot open file \"") + fileName + QStringLiteral("\". ") + f.errorString());
    CurReport = this;
    rpVersion = rpCurrentVersion;
    try {
        QStringList description;
        rpReadMemo(f, description);
        const qint32 body = rpReadInt(f);
        const bool hasPicture = rpReadByte(f) == 1;
        if (!load) {
            desc = description;
            if (bmp) {
                *bmp = gfx::TBitmap();
                if (hasPicture)
                    bmp->LoadFromStream(f);
            }
            return true;
        }
        if (body < 0 || body > f.size() || !f.seek(body))
            throw ErpStreamError("Stream read error");
        Pages->LoadFromStream(f);
    } catch (const std::exception&) {
        if (!load)
            return false;
        Pages->Clear();
        Pages->Add();
        ShowLoadError();
        return false;
    }
    return true;
}

QByteArray TrpReport::ReportForm()
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    rpWriteInt(out, rpCurrentVersion);
    if (StoreInDFM) {
        QBuffer body;
        body.open(QIODevice::ReadWrite);
        SaveToStream(body);
        rpWriteInt(out, qint32(body.size()));
        rpWriteBytes(out, body.data());
    }
    return out.data();
}

void TrpReport::SetReportForm(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    try {
        rpReadInt(in);
        if (!StoreInDFM)
            return;
        QByteArray body = rpReadBytes(in, rpReadInt(in));
        QBuffer s(&body);
        s.open(QIODevice::ReadOnly);
        LoadFromStream(s);
    } catch (const ErpStreamError&) {
        ShowLoadError();
    }
}

bool TrpReport::LoadPreparedReport(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw ErpError(QStringLiteral("Cannot open file \"") + fileName + QStringLiteral("\". ") + f.errorString());
    CurReport = this;
    bool ok = true;
    try {
        EMFPages->LoadFromStream(f);
    } catch (const std::exception&) {
        EMFPages->Clear();
        ShowLoadError();
        ok = false;
    }
    Rebuildable = false;
    return ok;
}

void TrpReport::SavePreparedReport(const QString& fileName)
{
    QBuffer s;
    s.open(QIODevice::ReadWrite);
    EMFPages->SaveToStream(s);
    QFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(s.data()) != s.size())
        throw ErpError(QStringLiteral("Cannot create file \"") + fileName + QStringLiteral("\". ") + f.errorString());
}

void TrpReport::SaveToRP3File(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString name = info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".rp3");
    XmlMode = true;
    const rtl::TScopeGuard back([this] { XmlMode = false; });
    SaveToFile(name);
}

void TrpReport::DesignReport()
{
    if (Pages->Count() == 0)
        Pages->Add();
    CurReport = this;
    if (rpDesigner)
        rpDesigner->ShowModal();
}

bool TrpReport::EditPreparedReport(int pageIndex)
{
    if (!rpDesigner || pageIndex < 0 || pageIndex >= EMFPages->Count())
        return false;
    TrpPageInfo& prepared = EMFPages->Pages(pageIndex);
    EMFPages->ObjectsToPage(pageIndex);
    // The design goes aside whole, not through a stream: a designer showing it keeps its pages and objects.
    // The file name goes too, so that saving the page can never replace the template.
    const rtl::TScopeGuard restore([this, &prepared, design = std::exchange(Pages, std::make_unique<TrpPages>(this)),
                                    fileName = std::exchange(FileName, rpLoadStr(55209)),
                                    current = std::exchange(CurReport, this)]() mutable {
        // The page is made again from its stream when it is next shown.
        prepared.Page.reset();
        Pages = std::move(design);
        FileName = fileName;
        CurReport = current;
    });
    TrpPage* page = Pages->Add();
    page->ChangePaper(prepared.pgSize, prepared.pgWidth, prepared.pgHeight, prepared.pgOr);
    page->UseMargins = prepared.pgMargins;
    page->Objects = std::exchange(prepared.Page->Objects, {});
    // A prepared page keeps no names; the designer shows one for each object, numbered by kind.
    QHash<QString, int> named;
    for (TrpView* v : page->Objects) {
        v->Name = v->BaseName + QString::number(++named[v->BaseName]);
        // A part of a text split across pages holds its laid-out lines: the designer shows their text.
        if (dynamic_cast<TrpMemoView*>(v) && TrpMemoView::IsLaidOut(v->Memo)) {
            QStringList lines;
            for (const QString& line : v->Memo)
                if (line != QString(QChar(1)))
                    lines.append(TrpMemoView::DecodeLayoutLine(line).Text);
            v->Memo = lines;
        }
    }
    const bool keep = rpDesigner->DesignPreparedPage(pageIndex + 1);
    if (keep) {
        prepared.Page->Objects = Pages->Count() > 0 ? std::exchange(Pages->Pages(0)->Objects, {}) : QList<TrpView*>();
        EMFPages->PageToObjects(pageIndex);
    }
    return keep;
}

void TrpReport::SetVars(const QStringList& list)
{
    Variables = list;
}

void TrpReport::GetCategoryList(QStringList& list) const
{
    list.clear();
    for (const QString& line : Variables)
        if (!line.isEmpty() && line[0] != QLatin1Char(' '))
            list.append(line);
}

void TrpReport::GetVarList(int catNo, QStringList& list) const
{
    list.clear();
    int category = -1;
    int i = 0;
    for (; i < Variables.size(); ++i) {
        const QString& line = Variables[i];
        if (!line.isEmpty() && line[0] != QLatin1Char(' ') && ++category == catNo) {
            ++i;
            break;
        }
    }
    if (category != catNo)
        throw ErpError(QStringLiteral("List index out of bounds (%1)").arg(catNo));
    for (; i < Variables.size(); ++i) {
        const QString& line = Variables[i];
        if (line.isEmpty() || line[0] != QLatin1Char(' '))
            break;
        list.append(line.mid(1));
    }
}

int TrpReport::FindVariable(const QString& name) const
{
    return int(Variables.indexOf(QLatin1Char(' ') + name));
}

TrpView* TrpReport::FindObject(const QString& name) const
{
    for (int i = 0; i < Pages->Count(); ++i)
        if (TrpView* v = Pages->Pages(i)->FindObject(name))
            return v;
    return nullptr;
}

void TrpReport::SetPrinterTo(const QString& printerName)
{
    if (PrintToDefault)
        return;
    TrpPrinter& prn = Prn();
    for (int i = 0; i < prn.Printers.size(); ++i)
        if (prn.Printers[i].compare(printerName, Qt::CaseInsensitive) == 0) {
            if (i != prn.PrinterIndex)
                prn.SetPrinterIndex(i);
            return;
        }
}

bool TrpReport::ChangePrinter(int oldIndex, int newIndex)
{
    TrpPrinter& prn = Prn();
    auto refit = [this]() {
        for (int i = 0; i < Pages->Count(); ++i) {
            TrpPage* p = Pages->Pages(i);
            p->ChangePaper(p->pgSize, p->pgWidth, p->pgHeight, p->pgOr);
        }
    };
    try {
        prn.SetPrinterIndex(newIndex);
        prn.PaperSize = -1; // forget the chosen paper: every page applies its own again
        refit();
        return true;
    } catch (const std::exception&) {
        ctl::MessageBox(QStringLiteral("Printer selected is not valid"), rpLoadStr(55206), ctl::MB_OK | ctl::MB_ICONERROR);
        try {
            prn.SetPrinterIndex(oldIndex);
            refit();
        } catch (const std::exception&) {
        }
        return false;
    }
}

QVariant TrpReport::FieldValue(TField* field)
{
    if (field->OnGetText)
        return field->DisplayText();
    // A memo's value is the bytes of the table's code page; its text form decodes them.
    if (field->DataType() == ftMemo || field->DataType() == ftFmtMemo)
        return field->IsNull() ? QVariant() : QVariant(field->AsString());
    return field->Value();
}

TDataSet* TrpReport::DefaultDataSet() const
{
    if (!CurBand || !CurPage)
        return nullptr;
    TrpBandType source = btNone;
    switch (CurBand->Typ) {
    case btReportSummary:
    case btMasterData:
    case btMasterFooter:
    case btGroupHeader:
    case btGroupFooter:
        source = btMasterData;
        break;
    case btDetailData:
    case btDetailFooter:
        source = btDetailData;
        break;
    case btSubDetailData:
    case btSubDetailFooter:
        source = btSubDetailData;
        break;
    case btCrossData:
    case btCrossFooter:
        source = btCrossData;
        break;
    default:
        return nullptr;
    }
    TrpBand* band = CurPage->BandsByType[source];
    auto* db = band ? dynamic_cast<TrpDBDataSet*>(band->DataSet) : nullptr;
    if (!db)
        return nullptr;
    try {
        return db->GetDataSet();
    } catch (const std::exception&) {
        return nullptr;
    }
}

QVariant TrpReport::SpecialValue(int kind)
{
    const double moment = BuildMoment != 0 ? BuildMoment : rtl::Now();
    switch (kind) {
    case svPage:
        return PageNo + 1;
    case svDate: {
        int y, m, d;
        rtl::DecodeDate(moment, y, m, d);
        return QDate(y, m, d);
    }
    case svTime: {
        int h, n, s, ms;
        rtl::DecodeTime(moment, h, n, s, ms);
        return QTime(h, n, s, ms);
    }
    case svLine:
    case svLineThrough: {
        TrpBand* band = CurBand;
        while (band && !band->DataSet && band->Outer)
            band = band->Outer;
        if (!band)
            return 0;
        return band->RecordNo[kind == svLine ? psLocal : psGlobal];
    }
    case svColumn:
        return CurPage ? CurPage->ColumnIndex + 1 : 1;
    case svCurrent:
        return CurPage ? CurPage->RecordCount : 0;
    case svTotalPages:
        return FirstPassPageCount;
    default:
        return QVariant();
    }
}

void TrpReport::GetVariableValue(const QString& name, QVariant& value)
{
    value = QVariant();
    if (OnGetValue) {
        OnGetValue(name, value);
        if (value.isValid())
            return;
    }
    if (TrpValue* v = Values.FindVariable(name)) {
        const auto guard = evaluating(evaluating_, name);
        switch (v->Typ) {
        case vtNotAssigned:
            value = QString();
            return;
        case vtDBField: {
            TDataSet* d = v->DSet ? v->DSet : rpGetDataSet(v->DataSet);
            TField* f = nullptr;
            if (d) {
                if (!d->Active())
                    d->Open();
                f = d->FindField(v->Field);
            }
            if (!f)
                throw ErpError(QStringLiteral("Undefined symbol \"") + name + QLatin1Char('"'));
            value = FieldValue(f);
            return;
        }
        case vtOther:
            value = v->OtherKind == svExpression ? calc(v->Field) : SpecialValue(v->OtherKind);
            return;
        case vtRPVar:
            value = calc(v->Field);
            return;
        }
    }
    TDataSet* d = DefaultDataSet();
    TField* f = nullptr;
    rpGetDataSetAndField(name, d, f);
    if (f) {
        value = FieldValue(f);
        return;
    }
    if (name == QLatin1String("VALUE")) {
        value = CurrentValue;
        return;
    }
    for (int kind = 0; kind <= svTotalPages; ++kind)
        if (kind != svExpression && name == rpSpecFuncName(kind)) {
            value = SpecialValue(kind);
            return;
        }
    if (rpVariables && rpVariables->Find(name, value))
        return;
    const auto guard = evaluating(evaluating_, name);
    value = calc(name);
}

void TrpReport::InternalOnGetValue(const QString& parName, QString& text)
{
    qint32 format = CurView ? CurView->Format : 0;
    QString formatStr = CurView ? CurView->FormatStr : QString();
    QString name = parName;
    const int hash = int(parName.indexOf(QStringLiteral(" #")));
    if (hash >= 0) {
        rpApplyFormatSuffix(parName.mid(hash + 2), format, formatStr);
        name = parName.left(hash);
    }
    LastParName = parName;
    CurrentValue = QVariant();
    QVariant value;
    GetVariableValue(name, value);
    CurrentValue = value;
    text = rpFormatValue(value, format, formatStr);
}

void TrpReport::InternalOnEnterRect(QStringList& memo, TrpView* view)
{
    if (view->DataSet && !view->Field.isEmpty()) {
        TField* f = view->DataSet->FindField(view->Field);
        if (rpIsBlob(f))
            view->GetBlob(f);
    }
    if (OnEnterRect)
        OnEnterRect(memo, view);
}

void TrpReport::InternalOnExportData(TrpView* view)
{
    if (CurrentFilter)
        CurrentFilter->OnData(view->x, view->y, view);
}

void TrpReport::InternalOnExportText(int x, int y, const QString& text, TrpView* view)
{
    if (CurrentFilter)
        CurrentFilter->OnText(x, y, text, view);
}

void TrpReport::InternalOnBeginColumn(TrpBand* band)
{
    if (OnBeginColumn)
        OnBeginColumn(band);
}

void TrpReport::InternalOnPrintColumn(int colNo, int& width)
{
    if (OnPrintColumn)
        OnPrintColumn(colNo, width);
}

void TrpReport::InternalOnProgress(int n)
{
    if (OnProgress) {
        OnProgress(n);
        return;
    }
    if (!ShowProgress)
        return;
    const bool finalPass = MasterReport && MasterReport->TwoPass && MasterReport->LastPass;
    QString text = StageCaption + QStringLiteral("  ") + QString::number(n);
    if (finalPass || ExportInProgress)
        text += QStringLiteral(" from ") + QString::number(FirstPassPageCount);
    if (ProgressLabel)
        ProgressLabel(text);
    QCoreApplication::processEvents();
}

void TrpReport::InternalOnFunction(const QString& name, const QVariant& p1, const QVariant& p2, const QVariant& p3,
                                   QString& val)
{
    val = QStringLiteral("0");
    for (TrpFunctionLibrary* lib : rpFunctions())
        if (lib->OnFunction(name, p1, p2, p3, val))
            return;
    if ((!CurBand || CurBand->Visible) && OnUserFunction)
        OnUserFunction(name, p1, p2, p3, val);
}
