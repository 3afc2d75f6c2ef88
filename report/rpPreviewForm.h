#pragma once
// The engine's own preview window, for reports without an embedded preview: the page view under a
// tool bar (zoom, open and save prepared reports, print, find text, help, close), the keys of a
// preview, and its find-text dialog.
#include "platform/graphics/Geometry.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class TrpPageView;
class TrpReport;
class TrpTBButton;
class TrpTBSeparator;

class TrpPreviewSearchForm : public QDialog {
public:
    explicit TrpPreviewSearchForm(QWidget* parent = nullptr);
    QLineEdit* Edit1;
    QCheckBox* CB1;
    QRadioButton* RB1; // from the first page
    QRadioButton* RB2; // from the current page

protected:
    void showEvent(QShowEvent* event) override;
};

// One text the page draws, with its place on the page (page pixels).
struct TrpPageText {
    QString Text;
    gfx::TRect Bounds;
};

class TrpPreviewForm : public QDialog {
public:
    explicit TrpPreviewForm(QWidget* parent = nullptr);
    ~TrpPreviewForm() override;

    // Connects the report's prepared pages and shows the window, modal when the report says so.
    void Show_Modal(TrpReport* report);
    // True when the key was one of the window's (it is then consumed).
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);

    void LoadBtnClick();
    void SaveBtnClick();
    void PrintBtnClick();
    void FindBtnClick();
    void EditBtnClick();
    void NewPageBtnClick();
    void DelPageBtnClick();
    void HelpBtnClick();
    void ExitBtnClick();
    void LoadFromFile(const QString& fileName);
    // filterIndex 1: the prepared report (".rpp" whatever was typed); others: the registered export
    // filters in turn.
    void SaveToFile(const QString& fileName, int filterIndex = 1);
    // From the search page on: the next text holding the search text; the view moves to it. False
    // (and the view left as it is) past the last page.
    bool FindText();
    // The texts page i draws, in drawing order.
    QList<TrpPageText> FindInEMF(int page);
    void SetGrayedButtons(bool grayed);

    TrpPageView* PreviewPanel;
    TrpTBButton* ZoomBtn;
    TrpTBButton* LoadBtn;
    TrpTBButton* SaveBtn;
    TrpTBButton* PrintBtn;
    TrpTBButton* FindBtn;
    TrpTBButton* HelpBtn;
    TrpTBButton* ExitBtn;
    TrpTBSeparator* ZoomSeparator;
    TrpTBSeparator* FindSeparator;

    // Search state.
    QString FindStr;
    bool CaseSensitive = false;
    int SearchPage = 0;   // 0-based
    int RecordIndex = 0;  // the text after the last match
    gfx::TRect FoundRect;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The report's GrayedButtons, or the registered designer's "GrayButtons" setting.
    static bool grayedButtons(const TrpReport& report);
    void connectPages();
    TrpReport* report_ = nullptr;
    int lastFoundPage_ = -1;
};
