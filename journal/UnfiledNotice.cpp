#include "journal/UnfiledNotice.h"

#include "platform/controls/MessageBox.h"

TUnfiledNotice::TUnfiledNotice()
{
    timer_.setSingleShot(true);
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { tell(); });
}

void TUnfiledNotice::Failed(const QString& reason, const QString& measurement)
{
    if (failedThisBurst_)
        return;
    failedThisBurst_ = true;
    untold_ << Text(reason, measurement);
    // While a box is open, its loop shows this one after it.
    if (!telling_)
        timer_.start();
}

void TUnfiledNotice::BurstEnded()
{
    failedThisBurst_ = false;
}

QString TUnfiledNotice::Text(const QString& reason, const QString& measurement)
{
    return QStringLiteral("Измерения не удалось записать в журнал: %1.\n\n"
                          "Одно из них: %2. Данные каждого незаписанного измерения сохранены в протоколе программы.\n"
                          "Пока причина не устранена, новые измерения в журнал не попадают.")
        .arg(reason, measurement);
}

void TUnfiledNotice::tell()
{
    if (telling_)
        return;
    telling_ = true;
    while (!untold_.isEmpty()) {
        const QString text = untold_.takeFirst();
        ctl::MessageBox(text, QStringLiteral("Ошибка!"), ctl::MB_OK | ctl::MB_ICONERROR);
    }
    telling_ = false;
}
