#include "db/ConverterDB.h"

#include "core/Debug.h"
#include "db/ConversionFiles.h"
#include "db/JournalSchemas.h"
#include "platform/controls/FormFont.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DbfHeader.h"
#include "platform/rtl/CaseInsensitivePath.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QtEndian>

#include <exception>

using namespace ctl;

namespace {

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

const char kDescription[] =
    "В предыдущих версиях программы использовалась немного иная структура \r\n"
    "файла базы данных BASE.DBF, для правильной работы программы этот файл\r\n"
    "нужно перевести в новый формат. Программа переименует старый файл БД\r\n"
    "в oldBASE.DBF и создаст новый, копировав в него данные, структура которого \r\n"
    "будет соответствовать требованиям программы. Новый файл будет носить \r\n"
    "стандартное название: BASE.DBF.\r\n"
    "oldBASE.DBF можно будет потом удалить, если он вам больше не потребуется.";

const char kInterrupted[] = "Конвертация прерванна";

// The column names of a table, from its header and field descriptors alone.
QStringList headerFieldNames(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("cannot open %1: %2").arg(path, f.errorString()).toStdString());
    QByteArray head = f.read(32);
    if (head.size() == 32) {
        const quint16 length = qFromLittleEndian<quint16>(head.constData() + 8);
        if (length > 32)
            head += f.read(length - 32);
    }
    QStringList names;
    for (const dbf::Column& c : dbf::Header::parse(head, path).columns)
        names << c.name;
    return names;
}

// The message of a rollback step that failed.
void tellRestoreFailed(db::TConversionFiles::RestoreResult result)
{
    using R = db::TConversionFiles::RestoreResult;
    const char* text = nullptr;
    switch (result) {
    case R::Restored: return;
    case R::NewTableAsideFailed:
        text = "Не удаётся переименовать файл 'BASE.DBF' в 'BASE_del ([date]).DBF'! Конвертация прерванна.";
        break;
    case R::NewMemoAsideFailed:
        text = "Не удаётся переименовать файл 'BASE.DBT' в 'BASE_del ([date]).DBT'! Конвертация прерванна.";
        break;
    case R::OldTableBackFailed: text = "Не могу переименовать oldBASE.DBF обратно в BASE.DBF"; break;
    case R::OldMemoBackFailed: text = "Не могу переименовать oldBASE.DBT обратно в BASE.DBT"; break;
    }
    MessageBox(u(text), u("Ошибка!"), MB_OK | MB_ICONERROR);
}

} // namespace

TfmConverterDB::TfmConverterDB(QWidget* owner)
    : QDialog(owner)
{
    ctl::SetFormFont(this);
    setObjectName(QStringLiteral("fmConverterDB"));
    setWindowTitle(u("Конвертер БД"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(446, 222);

    lbOpisanie = new QLabel(u("Описание:"), this);
    lbOpisanie->setGeometry(8, 8, 60, 13);
    lbOpisanie_podrobno = new QLabel(this);
    lbOpisanie_podrobno->setGeometry(24, 24, 407, 91);
    lbOpisanie_podrobno->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A label breaks its lines at LF; the CR of each CR LF would only show as a stray mark.
    lbOpisanie_podrobno->setText(u(kDescription).remove(QLatin1Char('\r')));
    Label1 = new QLabel(u("Прогресс конвертирования:"), this);
    Label1->setGeometry(8, 128, 150, 13);
    lbProgress = new QLabel(QStringLiteral("---"), this);
    lbProgress->setGeometry(288, 128, 150, 13);
    lbProgress->setAlignment(Qt::AlignRight | Qt::AlignTop);
    pbProgress = new QProgressBar(this);
    pbProgress->setGeometry(8, 146, 430, 17);
    pbProgress->setRange(0, 100);
    pbProgress->setValue(0);
    pbProgress->setTextVisible(false);
    bCancel = new QPushButton(u("Отмена"), this);
    bCancel->setGeometry(185, 182, 75, 25);
    bCancel->setAutoDefault(false);
    connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });
}

TfmConverterDB::~TfmConverterDB() = default;

QString TfmConverterDB::databaseFolder() const
{
    // The folder the connection's statements reach, so that the files moved are the tables converted.
    if (ADOConnection && ADOConnection->Connected())
        return ADOConnection->DataFolder();
    return WorkDir + QStringLiteral("/DATABASE");
}

int TfmConverterDB::DetectFormat()
{
    const QString path = rtl::resolveCaseInsensitive(databaseFolder() + QStringLiteral("/Base.DBF"));
    if (!QFileInfo::exists(path))
        return 0;
    try {
        return db::DetectGeneration(headerFieldNames(path));
    } catch (const std::exception& e) {
        Dbg().Print("TfmConverterDB::DetectFormat - error: %s", e.what());
        return 0;
    }
}

QString TfmConverterDB::ReplaceColons(const QString& text)
{
    QString out = text;
    out.replace(u':', u'.');
    return out;
}

void TfmConverterDB::bCancelClick()
{
    bCancel->setEnabled(false);
    Cancel = true;
    QCoreApplication::processEvents();
    bCancel->setEnabled(true);
}

void TfmConverterDB::closeEvent(QCloseEvent* event)
{
    // Closing the window while rows are copied means cancel; the window goes when the conversion ends.
    event->ignore();
    if (isVisible())
        bCancelClick();
}

void TfmConverterDB::reject()
{
    if (isVisible())
        bCancelClick();
}

bool TfmConverterDB::stopRequested() const
{
    return Cancel || QCoreApplication::closingDown();
}

bool TfmConverterDB::Convert(int required, int detected)
{
    if (db::GenerationOf(db::Schema::Default) != required && db::GenerationOf(db::Schema::DefaultMp) != required) {
        // "medic" and "police" keep no journal of their own: their table stays as it is.
        Dbg().Print("TfmConverterDB::Convert - no journal of generation %i is kept, the table stays [%i]", required, detected);
        return true;
    }
    show();
    QCoreApplication::processEvents();
    if (!RenameToOld()) {
        hide();
        return false;
    }
    bool result = false;
    // A table of generation 6 lacks the info mark the "default" journal files into; its rows go over, and the
    // place, vehicle and inspector it alone keeps stay in oldBASE.DBF.
    if (required == db::GenerationOf(db::Schema::Default) && (detected == 1 || detected == 2 || detected == 6))
        result = ConvertToDefault(detected);
    else if (required == db::GenerationOf(db::Schema::DefaultMp) && (detected == 1 || detected == 2 || detected == 3 || detected == 6))
        result = ConvertToDefaultMP(detected);
    else
        Dbg().Print("TfmConverterDB::Convert - no converter from generation %i to %i", detected, required);
    if (!result) {
        QThread::msleep(static_cast<unsigned long>(std::max(0, RollbackDelay)));
        Rollback();
        MessageBox(u(kInterrupted), u("Ошибка!"), MB_OK | MB_ICONERROR);
    }
    hide();
    return result;
}

bool TfmConverterDB::RenameToOld()
{
    const bool keep = ADOConnection ? ADOConnection->KeepConnection() : true;
    if (ADOConnection)
        ADOConnection->SetKeepConnection(false);
    if (ADOQuery)
        ADOQuery->Close();
    if (ADOQueryP)
        ADOQueryP->Close();
    db::TConversionFiles files(databaseFolder());
    const auto result = files.MoveToOld();
    if (ADOConnection)
        ADOConnection->SetKeepConnection(keep);
    using R = db::TConversionFiles::MoveResult;
    switch (result) {
    case R::Moved:
        Dbg().Print("TfmConverterDB - BASE.DBF -> oldBASE.DBF");
        return true;
    case R::NoTable:
        MessageBox(u("файл BASE.DBF не найден! Конвертация прерванна."), u("Ошибка!"), MB_OK | MB_ICONERROR);
        return false;
    case R::OldTableExists:
        MessageBox(u("Внимание! В каталоге уже существует файл oldBase.dbf, программа не имеет права удалять его, т.к. "
                     "возможно там важные данные. Переименуйте или удалите его самостоятельно, убедившись в его "
                     "ненадобности! Конвертация прерванна."),
                   u("Ошибка!"), MB_OK | MB_ICONINFORMATION);
        return false;
    case R::OldMemoExists:
        MessageBox(u("Внимание! В каталоге уже существует файл oldBase.dbt, программа не имеет права удалять его, т.к. "
                     "возможно там важные данные. Переименуйте или удалите его самостоятельно, убедившись в его "
                     "ненадобности! Конвертация прерванна."),
                   u("Ошибка!"), MB_OK | MB_ICONINFORMATION);
        return false;
    case R::Failed:
        break;
    }
    Dbg().Print("TfmConverterDB::RenameToOld - %s", files.LastError().toUtf8().constData());
    MessageBox(u("Не удаётся переименовать файл BASE.DBF в oldBASE.DBF! Конвертация прерванна."), u("Ошибка!"),
               MB_OK | MB_ICONERROR);
    return false;
}

bool TfmConverterDB::Rollback()
{
    const bool keep = ADOConnection ? ADOConnection->KeepConnection() : true;
    if (ADOQuery)
        ADOQuery->Close();
    if (ADOQueryP)
        ADOQueryP->Close();
    if (ADOConnection)
        ADOConnection->SetKeepConnection(false);
    db::TConversionFiles files(databaseFolder());
    const auto result = files.Restore(QDateTime::currentDateTime());
    if (ADOConnection)
        ADOConnection->SetKeepConnection(keep);
    if (result == db::TConversionFiles::RestoreResult::Restored) {
        Dbg().Print("TfmConverterDB - oldBASE.DBF -> BASE.DBF");
        return true;
    }
    Dbg().Print("TfmConverterDB::Rollback - %s", files.LastError().toUtf8().constData());
    tellRestoreFailed(result);
    return false;
}

bool TfmConverterDB::RecoverInterrupted(const QString& databaseFolder)
{
    db::TConversionFiles files(databaseFolder);
    if (!files.InProgress())
        return true;
    Dbg().Print("Конвертация БД была прервана - возвращаем прежнюю БД (oldBASE.DBF -> BASE.DBF)...");
    const auto result = files.Restore(QDateTime::currentDateTime());
    if (result == db::TConversionFiles::RestoreResult::Restored) {
        Dbg().Print("Конвертация БД была прервана - прежняя БД возвращена");
        return true;
    }
    Dbg().Print("Конвертация БД была прервана - %s", files.LastError().toUtf8().constData());
    tellRestoreFailed(result);
    return false;
}

void TfmConverterDB::ReplaceParam(QString& text, const QString& name, int value)
{
    db::ReplaceParam(text, name, value);
}

void TfmConverterDB::AddSqlField(const QString& name, const QString& value, QString& cols, QString& params, bool first)
{
    if (first) {
        cols = name;
        params = QStringLiteral(":") + name;
    } else if (!value.isEmpty()) {
        cols += QStringLiteral(", ") + name;
        params += QStringLiteral(", :") + name;
    }
}

void TfmConverterDB::AddSqlFieldChar(const QString& name, QChar, QString& cols, QString& params, bool first)
{
    AddSqlFieldValue(name, QVariant(), cols, params, first);
}

void TfmConverterDB::AddSqlFieldValue(const QString& name, const QVariant&, QString& cols, QString& params, bool first)
{
    if (first) {
        cols = name;
        params = QStringLiteral(":") + name;
    } else {
        cols += QStringLiteral(", ") + name;
        params += QStringLiteral(", :") + name;
    }
}

void TfmConverterDB::SetSqlParam(const QString& name, const QString& value)
{
    if (!value.isEmpty())
        ADOQuery->Parameters().ParamByName(name)->SetValue(value);
}

void TfmConverterDB::SetSqlParamChar(const QString& name, QChar value)
{
    ADOQuery->Parameters().ParamByName(name)->SetValue(QString(value));
}

void TfmConverterDB::SetSqlParamValue(const QString& name, const QVariant& value)
{
    ADOQuery->Parameters().ParamByName(name)->SetValue(value);
}
