#include "report/rpGlobals.h"

#include "report/rpBandView.h"
#include "report/rpFunctionLibrary.h"
#include "report/rpLineView.h"
#include "report/rpMemoView.h"
#include "report/rpPictureView.h"
#include "report/rpStdFunctionLibrary.h"
#include "report/rpStrings.h"
#include "report/rpSubReportView.h"

#include <cmath>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

TrpReport* CurReport = nullptr;
TrpReport* MasterReport = nullptr;
TrpView* CurView = nullptr;
TrpBand* CurBand = nullptr;
TrpPage* CurPage = nullptr;
int PageNo = 0;
TrpDocMode DocMode = dmDesigning;
bool DisableDrawing = false;
TrpDesignerBase* rpDesigner = nullptr;
TrpParserBase* rpParser = nullptr;
TrpInterpretatorBase* rpInterpretator = nullptr;
TrpScriptVariablesBase* rpVariables = nullptr;
TrpDataManager* rpDataManager = nullptr;
int rpVersion = rpCurrentVersion;
int rpCharset = rpLoadStr(55337).toInt();
bool ShowBandTitles = true;

const gfx::TColor rpColors[16] = {gfx::clWhite, gfx::clBlack, gfx::clMaroon, gfx::clGreen, gfx::clOlive, gfx::clNavy,
                                  gfx::clPurple, gfx::clTeal, gfx::clGray, gfx::clSilver, gfx::clRed, gfx::clLime,
                                  gfx::clYellow, gfx::clBlue, gfx::clFuchsia, gfx::clAqua};

namespace {

struct Registries {
    QList<TrpAddInObjectInfo> addIns;
    QList<TrpExportFilterInfo> filters;
    QList<TrpFunctionLibrary*> functions;
    QList<TrpToolsInfo> tools;
    Registries() { functions.append(new TrpStdFunctionLibrary); }
    ~Registries() { qDeleteAll(functions); }
};

Registries& registries()
{
    static Registries r;
    return r;
}

template <typename T>
void checkRoom(const QList<T>& list, const char* what)
{
    if (list.size() >= rpRegistryCapacity)
        throw ErpError(QStringLiteral("Too many registered %1 (%2 at most)").arg(QLatin1String(what)).arg(rpRegistryCapacity));
}

} // namespace

int rpRound(double v)
{
    if (!(v > -2147483648.0 && v < 2147483647.0))
        return v > 0 ? 2147483647 : -2147483647 - 1;
#ifdef __SSE2__
    // The processor's own conversion rounds halves to even, as this does; every object's coordinates pass
    // here several times per record.
    return _mm_cvtsd_si32(_mm_set_sd(v));
#else
    const double t = std::trunc(v);
    if (std::fabs(v - t) == 0.5)
        return int(std::fmod(t, 2.0) == 0.0 ? t : t + (v > 0 ? 1.0 : -1.0));
    return int(std::round(v));
#endif
}

QString rpBandName(int bandType)
{
    return bandType >= 0 && bandType <= 21 ? rpLoadStr(55077 + bandType) : QString();
}

QString rpSpecialValueName(int kind)
{
    return kind >= 0 && kind <= 8 ? rpLoadStr(55110 + kind) : QString();
}

QString rpBoolFormat(int kind)
{
    return kind >= 0 && kind <= 3 ? rpLoadStr(55170 + kind) : QString();
}

QString rpDateFormat(int kind)
{
    return kind >= 0 && kind <= 3 ? rpLoadStr(55175 + kind) : QString();
}

QString rpTimeFormat(int kind)
{
    return kind >= 0 && kind <= 3 ? rpLoadStr(55179 + kind) : QString();
}

const QList<TrpAddInObjectInfo>& rpAddIns()
{
    return registries().addIns;
}

const QList<TrpExportFilterInfo>& rpFilters()
{
    return registries().filters;
}

const QList<TrpFunctionLibrary*>& rpFunctions()
{
    return registries().functions;
}

const QList<TrpToolsInfo>& rpTools()
{
    return registries().tools;
}

void rpRegisterObject(const TrpAddInObjectInfo& info)
{
    checkRoom(registries().addIns, "objects");
    registries().addIns.append(info);
    if (rpDesigner)
        rpDesigner->RegisterObject(info.ButtonBmp, info.ButtonHint, int(registries().addIns.size()) - 1 + 10);
}

void rpRegisterExportFilter(const TrpExportFilterInfo& info)
{
    checkRoom(registries().filters, "export filters");
    registries().filters.append(info);
}

void rpRegisterFunctionLibrary(TrpFunctionLibrary* library)
{
    if (registries().functions.size() >= rpRegistryCapacity) {
        delete library;
        checkRoom(registries().functions, "function libraries");
    }
    registries().functions.append(library);
}

void rpRegisterTool(const TrpToolsInfo& info)
{
    checkRoom(registries().tools, "tools");
    registries().tools.append(info);
    if (rpDesigner)
        rpDesigner->RegisterTool(info.Caption, info.ButtonBmp, info.OnClick);
}

void rpRegisterDesigner(TrpDesignerBase* designer)
{
    rpDesigner = designer;
}

std::unique_ptr<TrpView> rpCreateObject(int typ, const QString& className)
{
    switch (typ) {
    case gtMemo: return std::make_unique<TrpMemoView>();
    case gtPicture: return std::make_unique<TrpPictureView>();
    case gtBand: return std::make_unique<TrpBandView>();
    case gtSubReport: return std::make_unique<TrpSubReportView>();
    case gtLine: return std::make_unique<TrpLineView>();
    case gtAddIn:
        for (const TrpAddInObjectInfo& info : registries().addIns)
            if (info.ClassName == className && info.Create) {
                std::unique_ptr<TrpView> view = info.Create();
                view->Typ = gtAddIn;
                return view;
            }
        throw ErpError(QString::fromUtf8("Не найден класс ") + className);
    default:
        return nullptr;
    }
}
