#include "journal/ActWindowBase.h"

#include "journal/ActControls.h"

#include <QGroupBox>
#include <QPushButton>

TActWindowBase::TActWindowBase()
{
    setWindowTitle(QStringLiteral("Акт обследования на анализаторе алкоголя"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
}

void TActWindowBase::wire(QGroupBox* instrumentData, QPushButton* waitNew, QPushButton* save, QPushButton* cancel,
                          QPushButton* print)
{
    data_ = instrumentData;
    wait_ = waitNew;
    save_ = save;
    print_ = print;
    NoDefaultButton({waitNew, save, cancel});
    if (print) {
        NoDefaultButton({print});
        connect(print, &QPushButton::clicked, this, [this] { if (OnPrint) OnPrint(); });
    }
    connect(waitNew, &QPushButton::clicked, this, [this] { if (OnWaitNewIzm) OnWaitNewIzm(); });
    connect(save, &QPushButton::clicked, this, [this] { if (OnSave) OnSave(); });
    connect(cancel, &QPushButton::clicked, this, [this] { if (OnCancel) OnCancel(); });
}

void TActWindowBase::SetWaiting(bool waiting)
{
    save_->setEnabled(!waiting);
    wait_->setEnabled(!waiting);
    if (print_)
        print_->setEnabled(!waiting);
    data_->setTitle(waiting ? QStringLiteral("Данные с прибора(Ожидается измерение):")
                            : QStringLiteral("Данные с прибора:"));
}

void TActWindowBase::reject()
{
    if (OnCancel)
        OnCancel();
    else
        QDialog::reject();
}
