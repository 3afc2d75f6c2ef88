// The journal's part of the main window, put together as the program puts it: the connection over a work
// folder, the view and look-up queries, the grid with the window's options, its design columns and the
// journal's cell painter, the panels and buttons the journal drives, and a controller of either variant.
#pragma once

#include "db/DBInfoPribors.h"
#include "grid/ColumnEx.h"
#include "grid/ColumnTitleEx.h"
#include "grid/DBGridColumnsEx.h"
#include "grid/DBGridEx.h"
#include "journal/Default_Akt.h"
#include "journal/Default_MP_Akt.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <memory>

namespace benchfx {

struct JournalWindow {
    // The grid's share of the main window at its first size.
    static constexpr int kWidth = 1049, kHeight = 540;

    QString folder;
    bool mp;
    std::unique_ptr<TADOConnection> conn;
    std::unique_ptr<TADOQuery> view;
    std::unique_ptr<TADOQuery> lookup;
    std::unique_ptr<TDataSource> ds;
    std::unique_ptr<QWidget> window;
    TDBGridEx* grid = nullptr;
    QLabel* viewPanel = nullptr;
    QLabel* count = nullptr;
    QWidget* editButtons = nullptr;
    QPushButton* buttons[3] = {};
    std::unique_ptr<TDBInfoPribors> info;
    std::unique_ptr<TJournalControllerBase> journal;

    // Over the work folder `dir` (its DATABASE/ holds the journal or gets a new one at Open).
    JournalWindow(const QString& dir, bool defaultMp) : folder(dir), mp(defaultMp)
    {
        QDir(folder).mkpath("DATABASE");
        conn = std::make_unique<TADOConnection>();
        conn->SetConnectionString("FILE NAME=" + folder + "/connect.udl");
        conn->Open();
        view = std::make_unique<TADOQuery>(conn.get());
        lookup = std::make_unique<TADOQuery>(conn.get());
        ds = std::make_unique<TDataSource>(view.get());
        window = std::make_unique<QWidget>();
        window->resize(kWidth, kHeight + 60);
        grid = new TDBGridEx(window.get());
        grid->setGeometry(0, 0, kWidth, kHeight);
        grid->SetDataSource(ds.get());
        grid->SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColumnResize) | bit(dgColLines) | bit(dgRowLines) |
                         bit(dgTabs) | bit(dgRowSelect) | bit(dgConfirmDelete) | bit(dgCancelOnExit) |
                         bit(dgMultiSelect));
        grid->VertScrollBar().SetTracking(true);
        // The window's design columns: "default" paints them, "default_mp" puts its own in their place.
        const char* const columns[][2] = {{"DATA_IZM", "дата"}, {"FIO", "Ф.И.О."}, {"IZM", "измерение (мг/л)"},
                                          {"PRIBOR", "прибор"}, {"NUM_VIDOH", "Номер выдоха"}, {"PAGE_FOOT", "Инф."}};
        for (const auto& c : columns) {
            TColumnEx* col = grid->Columns().Add();
            col->SetFieldName(QString::fromLatin1(c[0]));
            col->Title().SetCaption(QString::fromUtf8(c[1]));
            col->Title().SetAlignment(taCenter);
            col->Title().GetFont().SetName(QStringLiteral("Tahoma"));
            col->Title().GetFont().SetStyle(gfx::fsBold);
        }
        grid->OnDrawColumnCell = [this](TCustomDBGridEx* sender, const gfx::TRect& rect, int dataCol, TColumnEx* col,
                                        TGridDrawState state) {
            journal->DrawColumnCell(sender, rect, dataCol, col, state);
        };
        viewPanel = new QLabel(window.get());
        count = new QLabel(window.get());
        editButtons = new QWidget(window.get());
        for (auto& b : buttons)
            b = new QPushButton(editButtons);
        info = std::make_unique<TDBInfoPribors>(folder);
        if (mp)
            journal = std::make_unique<TfmDefault_MP_Akt>();
        else
            journal = std::make_unique<TfmDefault_Akt>();
        journal->SetDirs(folder, folder);
        journal->SetOperator("Оператор");
    }

    ~JournalWindow()
    {
        // The grid goes with the window; it must not paint through a controller that is gone.
        grid->OnDrawColumnCell = nullptr;
        journal.reset();
        grid->SetDataSource(nullptr);
    }

    // The journal opened as at start-up (the table created when missing), its settings read from the work
    // folder's VELT.ini, the whole journal shown on its last row.
    void Open()
    {
        TJournalBinding b;
        b.Query = view.get();
        b.Connection = conn.get();
        b.DS = ds.get();
        b.LookupQuery = lookup.get();
        b.Grid = grid;
        b.ViewPanel = viewPanel;
        b.EditButtons = editButtons;
        b.InfoPribors = info.get();
        journal->InitJournal(b);
        rtl::TIniFile ini(folder + "/VELT.ini");
        journal->ReadIni(ini);
        journal->SetControls(buttons[0], buttons[1], count, buttons[2]);
        journal->QueryAfterOpenInstall();
        journal->ShowAll();
        window->show();
        QCoreApplication::processEvents();
    }

    // The table's files let go, as when the program ends: the next Open reads the table afresh.
    void Release()
    {
        view->Close();
        lookup->Close();
        conn->ReleaseFiles();
    }
};

} // namespace benchfx
