#pragma once
// Engine-wide state of the report engine (one of each per process, main thread only), the registries of
// add-in objects, export filters, function libraries and designer tools, the object factory, and the
// seams through which the expression parser, the script interpreter and the designer plug in.
#include "report/rpLimits.h"
#include "platform/graphics/Color.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <stdexcept>

class TrpReport;
class TrpPage;
class TrpView;
class TrpBand;
class TrpFunctionLibrary;
class TrpExportFilter;
class TrpCompressor;
class TrpDesignerBase;

enum TrpDocMode { dmDesigning, dmPrinting };

// Object kind codes (Typ).
enum : quint8 { gtMemo = 0, gtPicture = 1, gtBand = 2, gtSubReport = 3, gtLine = 4, gtAddIn = 10 };

// Errors the engine raises with its fixed texts ("Не найден класс ", "Undefined symbol \"x\"", ...).
class ErpError : public std::runtime_error {
public:
    explicit ErpError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// Expression evaluation (the parser of the build part implements it and sets rpParser).
class TrpParserBase {
public:
    virtual ~TrpParserBase() = default;
    virtual QVariant Calc(const QString& expression) = 0;
};

// Script running (the interpreter of the build part implements it and sets rpInterpretator).
class TrpInterpretatorBase {
public:
    virtual ~TrpInterpretatorBase() = default;
    virtual void DoScript(const QStringList& script) = 0;
};

// The script variables (rpVariables): a value by name, when there is one.
class TrpScriptVariablesBase {
public:
    virtual ~TrpScriptVariablesBase() = default;
    virtual bool Find(const QString& name, QVariant& value) const = 0;
};

// What the engine asks of a registered designer.
class TrpDesignerBase {
public:
    virtual ~TrpDesignerBase() = default;
    virtual void RegisterObject(const QImage& bitmap, const QString& hint, int buttonTag) = 0;
    virtual void RegisterTool(const QString& caption, const QImage& bitmap, const std::function<void()>& onClick) = 0;
    virtual void ShowModal() = 0;
    // Runs a designer of its own, modally, on CurReport, whose only design page holds the objects of
    // prepared page pageNo (1-based; the registered designer may be designing the report whose preview
    // asks); true when it was closed to keep the edits.
    virtual bool DesignPreparedPage(int pageNo)
    {
        (void)pageNo;
        return false;
    }
    // The engine's own code calls these around a change of design objects (an undo step, a redraw).
    virtual void BeforeChange() {}
    virtual void AfterChange() {}
    virtual void RedrawPage() {}

    TrpPage* Page = nullptr; // the design page shown
    bool Modified = false;
};

// A data manager may store its own section after tag 0xFD; none exists in this system.
class TrpDataManager {
public:
    virtual ~TrpDataManager() = default;
};

extern TrpReport* CurReport;
extern TrpReport* MasterReport;
extern TrpView* CurView;
extern TrpBand* CurBand;
extern TrpPage* CurPage;
extern int PageNo;
extern TrpDocMode DocMode;
extern bool DisableDrawing;
extern TrpDesignerBase* rpDesigner;
extern TrpParserBase* rpParser;
extern TrpInterpretatorBase* rpInterpretator;
extern TrpScriptVariablesBase* rpVariables;
extern TrpDataManager* rpDataManager;
extern int rpVersion;
extern int rpCharset;
extern bool ShowBandTitles;
extern const gfx::TColor rpColors[16];

constexpr int rpCurrentVersion = 23;
constexpr int rpRegistryCapacity = rplimits::Registry;

// The shared compressor of prepared pages (Enabled false; its operations copy nothing).
TrpCompressor& rpCompressor();

// Band names (22), special-value shown names (9), Boolean pairs, date and time formats (4 each),
// from the string table.
QString rpBandName(int bandType);
QString rpSpecialValueName(int kind);
QString rpBoolFormat(int kind);
QString rpDateFormat(int kind);
QString rpTimeFormat(int kind);

// Banker's rounding, as everywhere in the engine: round(0.5) = 0, round(1.5) = 2.
int rpRound(double v);

// Registries of 32 entries each; a 33rd registration raises ErpError.
class TrpObjEditorForm;
class QWidget;
struct TrpAddInObjectInfo {
    QString ClassName;
    std::function<std::unique_ptr<TrpView>()> Create;
    QImage ButtonBmp;
    QString ButtonHint;
    // The object's editor in the designer; none: the designer opens its memo editor.
    std::function<std::unique_ptr<TrpObjEditorForm>(QWidget* parent)> EditorForm;
};
struct TrpExportFilterInfo {
    std::function<std::unique_ptr<TrpExportFilter>()> Create;
    QString FilterExt;
    QString FilterDesc;
};
struct TrpToolsInfo {
    QString Caption;
    QImage ButtonBmp;
    std::function<void()> OnClick;
};

const QList<TrpAddInObjectInfo>& rpAddIns();
const QList<TrpExportFilterInfo>& rpFilters();
const QList<TrpFunctionLibrary*>& rpFunctions(); // the standard library first
const QList<TrpToolsInfo>& rpTools();

void rpRegisterObject(const TrpAddInObjectInfo& info);
void rpRegisterExportFilter(const TrpExportFilterInfo& info);
// Takes ownership of the library.
void rpRegisterFunctionLibrary(TrpFunctionLibrary* library);
void rpRegisterTool(const TrpToolsInfo& info);
void rpRegisterDesigner(TrpDesignerBase* designer);

// 0 memo, 1 picture, 2 band, 3 sub-report, 4 line, 10 the registered add-in class named exactly
// className ("Не найден класс <name>" when there is none); other codes give null. Every object made
// gets the next ID of a process-wide counter starting at 0.
std::unique_ptr<TrpView> rpCreateObject(int typ, const QString& className);
