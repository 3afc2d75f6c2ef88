#pragma once
// A journal ("default_mp", or "default") in a fresh work folder, bound to the components the main window
// would give it.
#include "common/dialogscript.h"
#include "common/testutil.h"
#include "core/Debug.h"
#include "core/Measurement.h"
#include "db/DBInfoPribors.h"
#include "grid/DBGridEx.h"
#include "journal/Default_Akt.h"
#include "journal/Default_MP_Akt.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/BlobStream.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace jtest {

// Sends the log into a file of the work folder and reads it back.
inline QString readLog(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

template <class Controller>
struct JournalOf {
    testutil::DialogScript dialogs; // answers the act and report windows; one the test does not answer is cancelled
    testutil::TempDir dir;
    std::unique_ptr<TADOConnection> conn;
    std::unique_ptr<TADOQuery> query;
    std::unique_ptr<TADOQuery> lookup;
    std::unique_ptr<TDataSource> ds;
    std::unique_ptr<QWidget> window;
    TDBGridEx* grid = nullptr;
    QLabel* viewPanel = nullptr;
    QLabel* countPanel = nullptr;
    QWidget* editButtons = nullptr;
    QPushButton* edit = nullptr;
    QPushButton* del = nullptr;
    QPushButton* add = nullptr;
    std::unique_ptr<TDBInfoPribors> info;
    std::unique_ptr<Controller> ctrl;

    explicit JournalOf(bool init = true)
    {
        Dbg().SetBaseName(dir.file("velt"));
        QDir(dir.path()).mkpath(QStringLiteral("DATABASE"));
        conn = std::make_unique<TADOConnection>();
        conn->SetLoginPrompt(false);
        const QString udl = dir.file("connect.udl");
        conn->SetConnectionString("FILE NAME=" + udl);
        conn->Open();
        query = std::make_unique<TADOQuery>(conn.get());
        lookup = std::make_unique<TADOQuery>(conn.get());
        ds = std::make_unique<TDataSource>(query.get());
        window = std::make_unique<QWidget>();
        window->resize(1000, 400);
        grid = new TDBGridEx(window.get());
        grid->setGeometry(0, 0, 1000, 300);
        grid->SetDataSource(ds.get());
        grid->SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColumnResize) | bit(dgColLines) | bit(dgRowLines) |
                         bit(dgTabs) | bit(dgRowSelect) | bit(dgConfirmDelete) | bit(dgCancelOnExit) | bit(dgMultiSelect));
        viewPanel = new QLabel(window.get());
        countPanel = new QLabel(window.get());
        editButtons = new QWidget(window.get());
        edit = new QPushButton(editButtons);
        del = new QPushButton(editButtons);
        add = new QPushButton(editButtons);
        info = std::make_unique<TDBInfoPribors>(dir.path());
        ctrl = std::make_unique<Controller>();
        ctrl->SetDirs(dir.path(), dir.path());
        ctrl->SetOperator(QStringLiteral("ADMIN"));
        if (init)
            Init();
    }
    ~JournalOf()
    {
        ctrl.reset();
        grid->SetDataSource(nullptr);
        Dbg().SetBaseName(dir.file("after"));
    }

    void Init()
    {
        TJournalBinding b;
        b.Query = query.get();
        b.Connection = conn.get();
        b.DS = ds.get();
        b.LookupQuery = lookup.get();
        b.Grid = grid;
        b.ViewPanel = viewPanel;
        b.EditButtons = editButtons;
        b.InfoPribors = info.get();
        ctrl->InitJournal(b);
        ctrl->SetControls(edit, del, countPanel, add);
        ctrl->QueryAfterOpenInstall();
    }

    // A control of the act window, by its name.
    template <class T>
    T* Act(const char* name)
    {
        T* w = ctrl->ActWindow().template findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QString base() const { return dir.file("DATABASE/Base.DBF"); }
    QString log() const { return readLog(dir.file("velt.log")); }

    // Rows of the whole table, by ID, as our reader sees them: "ID|DATA_IZM|NUM_VIDOH|...".
    int Rows()
    {
        TADOQuery q(conn.get());
        q.SetSQL(QStringLiteral("SELECT COUNT(*) AS N FROM Base"));
        q.Open();
        return q.FieldByName(QStringLiteral("N"))->AsInteger();
    }
    // One column of the record with this ID (null QVariant for a null column or no record).
    QVariant Value(int id, const char* column)
    {
        TADOQuery q(conn.get());
        q.SetSQL(QStringLiteral("SELECT * FROM Base WHERE ID = :ID"));
        q.Parameters().ParamByName(QStringLiteral("ID"))->SetValue(id);
        q.Open();
        if (q.IsEmpty())
            return {};
        return q.FieldByName(QString::fromLatin1(column))->Value();
    }
    // The OBSL_PHOTO memo of the record with this ID (empty for none).
    QByteArray StoredPhoto(int id)
    {
        TADOQuery q(conn.get());
        q.SetSQL(QStringLiteral("SELECT * FROM Base WHERE ID = :ID"));
        q.Parameters().ParamByName(QStringLiteral("ID"))->SetValue(id);
        q.Open();
        TField* memo = q.FieldByName(QStringLiteral("OBSL_PHOTO"));
        return memo->IsNull() ? QByteArray() : q.CreateBlobStream(memo, bmRead)->readAll();
    }
    // IDs of the rows the view shows, in its order.
    std::vector<int> ViewIds()
    {
        std::vector<int> ids;
        const int keep = query->RecNo();
        for (query->First(); !query->Eof(); query->Next())
            ids.push_back(query->FieldByName(QStringLiteral("ID"))->AsInteger());
        if (keep > 0)
            query->SetRecNo(keep);
        return ids;
    }
};

using Journal = JournalOf<TfmDefault_MP_Akt>;
// "default": the grid has the main window's six design columns.
struct DefaultJournal : JournalOf<TfmDefault_Akt> {
    explicit DefaultJournal(bool init = true) : JournalOf<TfmDefault_Akt>(false)
    {
        const char* columns[][2] = {{"DATA_IZM", "Дата"}, {"FIO", "ФИО"},          {"IZM", "Алкоголь"},
                                    {"PRIBOR", "прибор"}, {"NUM_VIDOH", "Номер"}, {"PAGE_FOOT", "Инф."}};
        for (auto& c : columns) {
            TColumnEx* col = grid->Columns().Add();
            col->SetFieldName(QString::fromLatin1(c[0]));
            col->Title().SetCaption(QString::fromUtf8(c[1]));
        }
        if (init)
            Init();
    }
};

// A measurement as the drivers make them.
inline TVELTMeasurement Measurement(int y, int mo, int d, int h, int mi, int s, int serial, double value, int exhale = 0,
                                    uint32_t number = 0)
{
    TVELTMeasurement m = ZeroMeasurement();
    m.SerialNumber = uint16_t(serial);
    m.Probe.Timestamp = rtl::EncodeDateTime(y, mo, d, h, mi, s, 0);
    m.VerificationDate = rtl::EncodeDateTime(2010, 6, 1, 0, 0, 0, 0);
    m.Probe.AlcResult = value;
    m.Probe.Exhale = uint8_t(exhale);
    m.Probe.nMeasure = number;
    m.Probe.RecordType = 1;
    m.ModelCode = 10;
    m.DeviceType = 3;
    SetMeasurementText(m.Model, "VELT-B");
    return m;
}

template <std::size_t N>
void SetText(char (&field)[N], const char* utf8)
{
    const QByteArray bytes = rtl::toCp1251(QString::fromUtf8(utf8));
    SetMeasurementText(field, bytes.constData(), std::size_t(bytes.size()));
}

using testutil::runPython;

} // namespace jtest
