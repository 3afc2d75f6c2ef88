#pragma once
// The band dialogs of the designer: the band type chooser shown when a band is inserted, the data
// source of a data band, the data sources of the bands a cross band crosses, and the condition of a
// group header. A band's data source or condition is its FormatStr ("the band's text").
#include "report/rpObjEditorForm.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <functional>

class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class TrpBandView;
class TrpDesignerForm;
class TrpSpeedButton;

class TrpBandTypesForm : public QDialog {
public:
    // bandPresent tells whether the current page already holds a band of a type.
    TrpBandTypesForm(const std::function<bool(int bandType)>& bandPresent, QWidget* parent = nullptr);

    QPushButton* Button1;
    QGroupBox* GB1;
    QPushButton* Button2;
    QList<QRadioButton*> Buttons; // by band type
    int BandType = -1;            // the chosen type, -1 when every type is taken
};

// The choices of a data source box: "[None]", "Virtual Dataset", then the report data sets of the
// report's owner.
QStringList rpDataSourceChoices();

class TrpBandEditorForm : public TrpObjEditorForm {
public:
    explicit TrpBandEditorForm(QWidget* parent = nullptr);
    // Shows the dialog for a data band; on OK the band's text is set (after an undo step).
    void ShowEditor(TrpView* view) override;
    // Fills the controls from a band's text and gives back the text they stand for.
    void ShowSource(const QString& text);
    QString Source() const;

    QPushButton* Button1;
    QPushButton* Button2;
    QGroupBox* GB1;
    QLabel* Label2;
    QComboBox* CB1;
    QLineEdit* Edit1;

protected:
    void done(int result) override;
};

class TrpVBandEditorForm : public TrpObjEditorForm {
public:
    explicit TrpVBandEditorForm(QWidget* parent = nullptr);
    // Shows the dialog for a cross band when its page has bands it can cross; on OK the cross band's text
    // becomes "name=source;" for every band listed.
    void ShowEditor(TrpView* view) override;
    // Lists the bands of the page with the sources the cross band's text gives them; false when there are
    // none.
    bool Fill(TrpBandView* cross);
    // The text the listed sources make.
    QString Text() const;

    QPushButton* Button1;
    QPushButton* Button2;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QLabel* Label1;
    QComboBox* CB1;
    QLineEdit* Edit1;
    QListWidget* LB1;
    QStringList BandNames;          // in list order
    QMap<QString, QString> Sources; // band name -> source

protected:
    void done(int result) override;

private:
    void showLine(int row);
    void storeLine();
    QString lineName(int row) const;
    bool filling_ = false;
};

class TrpGroupEditorForm : public TrpObjEditorForm {
public:
    explicit TrpGroupEditorForm(QWidget* parent = nullptr);
    void ShowEditor(TrpView* view) override;
    // "Insert DB field": the field picker puts its choice in place of the condition.
    void InsertField();

    QPushButton* Button1;
    QPushButton* Button2;
    QGroupBox* GB1;
    QLineEdit* Edit1;
    QWidget* Panel1;
    TrpSpeedButton* rpSpeedButton1;
};

// Whether a data source text is a record count of a virtual data set (it starts with 1..9).
bool rpIsVirtualSource(const QString& text);
// The source a cross band's text gives a band: the text after "name=" up to the next ";" (the name
// compared without case, at the start of a pair); a text without ";" is one source for every band; "0"
// when the band is not named.
QString rpCrossBandSource(const QString& text, const QString& bandName);
