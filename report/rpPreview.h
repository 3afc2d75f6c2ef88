#pragma once
// The preview of prepared pages: pages laid out in rows on a grey background at a zoom, scroll bars,
// page buttons and a page counter, a zoom pop-up menu, wheel and drag scrolling. TrpPreview is the
// panel a window places where it wants the pages; while a report is connected the view holds the
// report's prepared pages and the report an empty store.
#include "platform/graphics/Geometry.h"

#include <QFrame>
#include <QList>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QScrollBar;
class QToolButton;
class TrpEMFPages;
class TrpReport;
class TrpPageView;

enum TrpScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// The paint box of the pages.
class TrpPBox : public QWidget {
public:
    explicit TrpPBox(TrpPageView* view);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A double click stands for the second press: it starts no drag.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TrpPageView* view_;
    bool down_ = false;
    QPoint last_;
};

// The page view with its scroll bars, page buttons and page label.
class TrpPageView : public QWidget {
public:
    explicit TrpPageView(QWidget* parent = nullptr);
    ~TrpPageView() override;

    // Takes the report's prepared pages (the report gets an empty store); ConnectBack returns them.
    void Connect(TrpReport* report);
    void ConnectBack();
    void RedrawAll();
    void FormResize();
    void SetToCurPage();
    void ShowPageNum();
    void VScrollBarChange();
    void HScrollBarChange();
    void PgUpClick();
    void PgDownClick();
    // Zoom menu item by its tag: 1 page width, 2 whole page, 3 two pages, else per cent.
    void N3Click(int tag);
    void ZoomBtnClick();
    // The pop-up menu at the point; with the page editing items when a designer is registered and the
    // host edits pages (enabled while EditEnabled).
    void PopupProcMenu(const QPoint& globalPos, bool editItems);
    // Pages may be edited, added and deleted: the report allows it, a designer is registered and the
    // host edits pages.
    bool EditPageEnabled() const;
    void FormMouseWheelUp();
    void FormMouseWheelDown();
    void SetScrollBars(TrpScrollStyle style);

    int PageCount() const;
    // The page's place in view coordinates before scrolling.
    gfx::TRect PageRect(int index) const;
    bool PageVisible(int index) const;

    TrpReport* Report = nullptr;
    std::unique_ptr<TrpEMFPages> Pages;
    int CurrentPage = 1;
    int OffsetX = 0;
    int OffsetY = 0;
    double ZoomFactor = 1.0;
    int ZoomMode = 0;
    bool LayoutValid = false;
    int WheelFactor = 1;
    QString ZoomCaption;
    bool EditEnabled = false; // the report allows changing its prepared pages

    TrpPBox* PBox;
    QScrollBar* VScrollBar;
    QScrollBar* HScrollBar;
    QToolButton* PgUp;
    QToolButton* PgDown;
    QLabel* PageLabel;
    QMenu* ProcMenu;
    QAction* EditSeparator;
    QAction* EditPageItem;
    QAction* AddPageItem;
    QAction* DeletePageItem;
    // What the page editing items do; a host that edits pages sets them.
    std::function<void()> OnEditPage, OnAddPage, OnDeletePage;

    // Zoom and mode of the last preview, the starting point of the next.
    static double LastZoom;
    static int LastZoomMode;

private:
    friend class TrpPBox;
    void paintPages(QPainter& painter, const QRect& clip);
    void checkZoomItem();
    struct PageBox {
        gfx::TRect r;
        bool visible = false;
    };
    QList<PageBox> boxes_;
    int lastV_ = 0;
    int lastH_ = 0;
};

class TrpPreview : public QFrame {
public:
    explicit TrpPreview(QWidget* parent = nullptr);
    ~TrpPreview() override;

    void Connect(TrpReport* report);
    // Gives the pages back to the report (also done when the control goes).
    void Disconnect();
    int Page() const;
    void SetPage(int page);
    int AllPages() const;
    double Zoom() const;
    void SetZoom(double percent);
    TrpScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TrpScrollStyle style);
    void OnePage();
    void TwoPages();
    void PageWidth();
    void First();
    void Next();
    void Prev();
    void Last();
    // Prints the shown pages (all of them, one copy).
    void Print();

    TrpPageView* Window() const { return window_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TrpPageView* window_;
    QPointer<QWidget> hostWithFilter_;
    TrpScrollStyle scrollBars_ = ssBoth;
};
