#pragma once
// The journal table converter: detects the generation of Base.DBF and, at start-up, turns an older table into
// the one the application type needs, in a small window with progress and a cancel button. The old table is
// kept as oldBASE.DBF; a conversion that fails or is cancelled puts it back. It works on the main window's
// database objects, which the main window hands to it right after creating it.
#include <QDialog>
#include <QHash>
#include <QString>
#include <QVariant>

class QLabel;
class QProgressBar;
class QPushButton;
class TADOConnection;
class TADOQuery;
class TField;

class TfmConverterDB : public QDialog {
    Q_OBJECT
public:
    explicit TfmConverterDB(QWidget* owner = nullptr);
    ~TfmConverterDB() override;

    // The generation (1..7) of Base.DBF, by its column names; only the header is read. 0 when the file is
    // missing, its columns match no generation or it cannot be read.
    int DetectFormat();

    // A copy of the text with every ':' replaced by '.', for a date inside a file name.
    static QString ReplaceColons(const QString& text);

    // Converts Base.DBF of generation `detected` into generation `required`. True when the journal now has
    // the required generation (or its application type has no journal to convert); false when the conversion
    // did not happen, in which case the old table is Base.DBF again (or, when even that failed, the next
    // start puts it back).
    bool Convert(int required, int detected);
    bool RenameToOld();
    bool Rollback();
    void bCancelClick();

    // The row converters.
    bool ConvertToDefault(int source);
    bool ConvertToDefaultMP(int source);

    // Building an INSERT: column and parameter lists.
    static void ReplaceParam(QString& text, const QString& name, int value);
    static void AddSqlField(const QString& name, const QString& value, QString& cols, QString& params, bool first);
    static void AddSqlFieldChar(const QString& name, QChar value, QString& cols, QString& params, bool first);
    static void AddSqlFieldValue(const QString& name, const QVariant& value, QString& cols, QString& params, bool first);
    void SetSqlParam(const QString& name, const QString& value);
    void SetSqlParamChar(const QString& name, QChar value);
    void SetSqlParamValue(const QString& name, const QVariant& value);

    // At start-up, before the journal is opened: finishes a conversion that a crash interrupted by putting
    // the old journal back. False (after a message) when that cannot be done and the program must end.
    static bool RecoverInterrupted(const QString& databaseFolder);

    // Fields.
    bool Cancel = false;
    QString WorkDir;
    TADOQuery* ADOQuery = nullptr;            // the main window's journal query, not owned
    TADOQuery* ADOQueryP = nullptr;           // the main window's look-up query, not owned
    TADOConnection* ADOConnection = nullptr;  // the main window's connection, not owned

    // Controls.
    QLabel* lbOpisanie;
    QLabel* lbOpisanie_podrobno;
    QLabel* Label1;
    QLabel* lbProgress;
    QProgressBar* pbProgress;
    QPushButton* bCancel;

    // The pause before a rollback (ms); tests shorten it.
    int RollbackDelay = 1000;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    enum class Target { Default, DefaultMp };
    struct SourceColumns;
    struct Row;
    bool convertRows(Target target, int source);
    bool copyRows(Target target, int source, const SourceColumns& in, int total);
    void insertRow(Target target, int source, const Row& row);
    void createTable(Target target);
    QString databaseFolder() const;
    bool stopRequested() const;
    int targetWidth(const QString& column) const;
    QString fitted(const QString& column, const QString& text) const;

    QString photoFile(const QString& name) const;

    std::vector<std::pair<QString, int>> widths_;
    // The files of PHOTOS, listed once: by name, and by name in lower case for a name of another case.
    QHash<QString, QString> photos_, photosFolded_;
};
