#pragma once
// The Insert DB fields dialog: a data set of the program, some of its fields, and how to lay them out.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class TDataSet;
class TrpOwner;

class TrpInsertFieldsForm : public QDialog {
public:
    // owner: the report's owner, whose data sets are named without their form.
    explicit TrpInsertFieldsForm(const TrpOwner* owner, QWidget* parent = nullptr);

    void DatasetCBChange();
    QStringList SelectedFields() const;

    QListWidget* FieldsL;
    QComboBox* DatasetCB;
    QLabel* Label1;
    QGroupBox* GroupBox1;
    QRadioButton* HorzRB;
    QRadioButton* VertRB;
    QPushButton* Button1;
    QPushButton* Button2;
    QGroupBox* GroupBox2;
    QCheckBox* HeaderCB;
    QCheckBox* BandCB;
    TDataSet* DataSet = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    const TrpOwner* owner_;
};

// The name under which the report reaches the data set: the first report data set over it on the forms,
// then the data modules ("Form.Name" outside the report's owner); empty when none is.
QString rpFindDataSetName(const TrpOwner* owner, const TDataSet* dataSet);
