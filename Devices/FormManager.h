#pragma once
// The sources window: a page per measurement source, and the buttons to create and delete one.
#include <QDialog>

class QGroupBox;
class QPushButton;
class QTabWidget;

class TfmFormManager : public QDialog {
    Q_OBJECT
public:
    explicit TfmFormManager(QWidget* parent = nullptr);

    QGroupBox* gbActions;
    QPushButton* bCreateDev;
    QPushButton* bDeleteDev;
    QGroupBox* gbSources;
    QTabWidget* pcListDevSource;
};
