#include "app/ConverterDB.h"

#include "core/Debug.h"
#include "platform/controls/FormFont.h"
#include "platform/controls/MessageBox.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include <algorithm>

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

bool TfmConverterDB::Convert(int required, int detected)
{
    if (!KeepsJournal(required)) {
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
    if (const auto target = TargetFor(required, detected))
        result = *target == Target::Default ? ConvertToDefault(detected) : ConvertToDefaultMP(detected);
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
    using R = db::TConversionFiles::MoveResult;
    const R result = MoveToOld();
    switch (result) {
    case R::Moved:
        return true;
    case R::NoTable:
        MessageBox(u("файл BASE.DBF не найден! Конвертация прерванна."), u("Ошибка!"), MB_OK | MB_ICONERROR);
        return false;
    case R::OldTableExists:
    case R::OldMemoExists:
        MessageBox(u("Внимание! В каталоге уже существует файл oldBase.%1, программа не имеет права удалять его, т.к. "
                     "возможно там важные данные. Переименуйте или удалите его самостоятельно, убедившись в его "
                     "ненадобности! Конвертация прерванна.")
                       .arg(result == R::OldTableExists ? QStringLiteral("dbf") : QStringLiteral("dbt")),
                   u("Ошибка!"), MB_OK | MB_ICONINFORMATION);
        return false;
    case R::Failed:
        break;
    }
    MessageBox(u("Не удаётся переименовать файл BASE.DBF в oldBASE.DBF! Конвертация прерванна."), u("Ошибка!"),
               MB_OK | MB_ICONERROR);
    return false;
}

bool TfmConverterDB::Rollback()
{
    const auto result = PutOldBack();
    tellRestoreFailed(result);
    return result == db::TConversionFiles::RestoreResult::Restored;
}

bool TfmConverterDB::RecoverInterrupted(const QString& databaseFolder)
{
    const auto result = db::TJournalConverter::RecoverInterrupted(databaseFolder);
    tellRestoreFailed(result);
    return result == db::TConversionFiles::RestoreResult::Restored;
}

bool TfmConverterDB::ConvertToDefault(int source)
{
    return convertRows(Target::Default, source);
}

bool TfmConverterDB::ConvertToDefaultMP(int source)
{
    return convertRows(Target::DefaultMp, source);
}

bool TfmConverterDB::convertRows(Target target, int source)
{
    QElapsedTimer served;
    const auto progress = [&](int done, int total) {
        // The bar follows the rows written; the label of the photo journal counts those before this one.
        if (target == Target::Default) {
            pbProgress->setValue(static_cast<int>(float(done) / float(total) * 100.0f));
        } else {
            const int before = done - 1;
            pbProgress->setValue(static_cast<int>(float(before) / float(total) * 100.0f));
            lbProgress->setText(QString::asprintf("%i/%i", before, total));
        }
        if (Cancel || QCoreApplication::closingDown())
            return false;
        // Painting the window after every row would cost more than the row: the window is served
        // twenty-five times a second, and a cancel click stops the copy at the row after it is seen.
        if (!served.isValid() || served.elapsed() >= 40) {
            QCoreApplication::processEvents();
            served.restart();
        }
        return true;
    };
    pbProgress->setValue(0);
    switch (ConvertRows(target, source, progress)) {
    case Rows::Converted:
        MessageBox(u("Конвертация Базы Данных успешно завершена!"), u("Информация!"), MB_OK | MB_ICONINFORMATION);
        return true;
    case Rows::Empty:
        MessageBox(target == Target::Default
                       ? u("В oldBASE.DBF нет записей, просто удалите этот файл чтобы при следующем запуске база создалась автоматически.")
                       : u("В BASE.DBF нет записей, просто удалите этот файл чтобы при следующем запуске база создалась автоматически."),
                   u("Информация!"), MB_OK | MB_ICONINFORMATION);
        return false;
    case Rows::Failed:
        MessageBox(u("произошла ошибка при конвертации БД"), u("Ошибка!"), MB_OK | MB_ICONERROR);
        return false;
    case Rows::Stopped:
        break;
    }
    return false;
}
