#include "Devices/FormManager.h"
#include "platform/controls/FormFont.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

TfmFormManager::TfmFormManager(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    // The controls stand where they were put for the forms' font; the pages of the sources inherit it.
    ctl::SetFormFont(this);
    setWindowTitle(QString::fromUtf8("Источники измерений. Приборы, подключённые к ПК"));
    setFixedSize(615, 401);

    gbActions = new QGroupBox(QString::fromUtf8("Действия:"), this);
    gbActions->setGeometry(0, 0, 615, 57);
    bCreateDev = new QPushButton(QString::fromUtf8("Создать."), gbActions);
    bCreateDev->setObjectName("bCreateDev");
    bCreateDev->setGeometry(424, 16, 75, 25);
    bDeleteDev = new QPushButton(QString::fromUtf8("Удалить."), gbActions);
    bDeleteDev->setObjectName("bDeleteDev");
    bDeleteDev->setGeometry(520, 16, 75, 25);
    bCreateDev->setAutoDefault(false);
    bDeleteDev->setAutoDefault(false);

    gbSources = new QGroupBox(QString::fromUtf8("Источники измерений:"), this);
    gbSources->setGeometry(0, 57, 615, 401 - 57);
    pcListDevSource = new QTabWidget(gbSources);
    pcListDevSource->setObjectName("pcListDevSource");
    auto* layout = new QVBoxLayout(gbSources);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(pcListDevSource);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}
