#pragma once
// A work folder with an old journal and its photos, the main window's objects on it and a converter over them:
// the engine (db tests) or its window (app tests). Messages are answered by a script and recorded.
#include "DbFixture.h"
#include "OldJournal.h"

#include "platform/controls/MessageBox.h"

#include <QDir>
#include <QRegularExpression>

#include <memory>

namespace convertfixture {

using oldjournal::u;

inline const QString kInterrupted = u("Конвертация прерванна");
inline const QString kSuccess = u("Конвертация Базы Данных успешно завершена!");

template <class Converter>
struct Fixture {
    dbfixture::WorkFolder work;
    ctl::TScriptedMessageBoxPort boxes;
    std::unique_ptr<dbfixture::MainWindowDbOf<Converter>> main;
    QMap<QString, QByteArray> before;

    explicit Fixture(int generation, std::vector<oldjournal::Row> rows = oldjournal::sampleRows(),
                     std::vector<dbf::Column> extra = {})
    {
        oldjournal::write(work.database("BASE.DBF"), generation, rows, extra);
        QDir(work.path()).mkpath("PHOTOS");
        testutil::writeFile(work.path() + "/PHOTOS/2009.05.12 10.22.33_0123.jpg", oldjournal::jpegBytes());
        testutil::writeFile(work.path() + "/PHOTOS/2011.11.11 11.11.11_0009.jpg", oldjournal::damagedPhoto());
        before = dbfixture::snapshot(db());
        main = std::make_unique<dbfixture::MainWindowDbOf<Converter>>(work.path());
    }
    QString db() const { return work.path() + "/DATABASE"; }
    Converter& converter() { return main->converter; }
    QStringList texts() const
    {
        QStringList out;
        for (const auto& a : boxes.AskedSoFar())
            out << a.text;
        return out;
    }
    QStringList files() const { return dbfixture::snapshot(db()).keys(); }
    // The old journal is back as it was, byte for byte, beside whatever a rollback moved aside.
    void expectOldJournalBack() const
    {
        const auto now = dbfixture::snapshot(db());
        for (auto it = before.begin(); it != before.end(); ++it)
            EXPECT_EQ(now.value(it.key()), it.value()) << it.key().toStdString();
        for (const QString& name : now.keys())
            EXPECT_TRUE(before.contains(name) || name.startsWith("BASE_del (")) << name.toStdString();
    }
    // What a rollback moved aside under its time: the half-made table and its memo.
    QStringList aside() const
    {
        static const QRegularExpression stamped(R"(^BASE_del \(\d{4}\.\d\d\.\d\d \d\d\.\d\d\.\d\d\)\.(DBF|DBT)$)");
        return files().filter(stamped);
    }
    bool tableAside() const { return !aside().filter(QRegularExpression("\\.DBF$")).isEmpty(); }
};

} // namespace convertfixture
