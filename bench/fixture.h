// The generated "default_mp" journal the benchmarks share: VELT_BENCH_RECORDS records (100,000 unless set),
// filed over twenty years from 2005 on, a photo in 1% of them. Generated once into VELT_BENCH_FIXTURES
// (/tmp/velt-bench-fixtures unless set) and reused by every later run; a benchmark that writes works on a copy.
#pragma once

#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DbfTable.h"
#include "platform/rtl/DateTime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <vector>

namespace benchfx {

inline int Records()
{
    const char* env = std::getenv("VELT_BENCH_RECORDS");
    const int n = env ? std::atoi(env) : 0;
    return n > 0 ? n : 100000;
}

// Record i of n, spread evenly over 2005-2024 so that a day holds more records as the journal grows.
inline QString DateOf(int i, int n)
{
    const double t = rtl::EncodeDate(2005, 1, 1) + double(i) * (20 * 365.0) / double(n);
    int y, mo, d, h, mi, s, ms;
    rtl::DecodeDateTime(t, y, mo, d, h, mi, s, ms);
    return QString::asprintf("%04d.%02d.%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
}

inline const char* const kSurnames[] = {"ИВАНОВ",   "ПЕТРОВ",   "СИДОРОВ",  "КУЗНЕЦОВ", "СМИРНОВ",
                                        "ПОПОВ",    "ВАСИЛЬЕВ", "СОКОЛОВ",  "МИХАЙЛОВ", "НОВИКОВ",
                                        "ФЕДОРОВ",  "МОРОЗОВ",  "ВОЛКОВ",   "АЛЕКСЕЕВ", "ЛЕБЕДЕВ",
                                        "СЕМЕНОВ",  "ЕГОРОВ",   "ПАВЛОВ",   "КОЗЛОВ",   "СТЕПАНОВ"};

inline void Generate(const QString& folder, int n)
{
    QDir(folder).mkpath("DATABASE");
    TADOConnection conn;
    conn.SetConnectionString("FILE NAME=" + folder + "/connect.udl");
    TADOQuery q(&conn);
    q.SetSQL("CREATE TABLE Base(ID INTEGER, TYPE_PRIB INTEGER, PRIBOR INTEGER, DATA_IZM CHAR(19), NUM_VIDOH INTEGER, "
             "IZM FLOAT, STAT CHAR(1), NORMA FLOAT, IZM_AIR FLOAT, DATA_POVER CHAR(19), MEAS_PLACE CHAR(23), "
             "OBSL_FAM CHAR(23), OBSL_NAME CHAR(23), OBSL_PAT CHAR(23), OBSL_NAUTO CHAR(23), OBSL_PHOTO MEMO, "
             "INSP_FAM CHAR(23), INSP_NAME CHAR(23), INSP_PAT CHAR(23), INSP_DEPR CHAR(23), INSP_NUMB CHAR(23), "
             "SATURDATA INTEGER, TYPERECORD INTEGER, DATA_REC CHAR(19), OPER CHAR(19))");
    q.ExecSQL();
    auto table = conn.openTable("Base");
    QByteArray photo(30000, '\0');
    for (int i = 0; i < photo.size(); ++i)
        photo[i] = char((i * 131) ^ (i >> 3));
    for (int i = 0; i < n; ++i) {
        const QString date = DateOf(i, n);
        std::vector<QVariant> v(25);
        v[0] = i + 1;
        v[1] = 2;
        v[2] = 100 + i % 7;
        v[3] = date;
        v[4] = i;
        v[5] = (i % 1000) / 1000.0;
        v[6] = QString::number(i % 4);
        v[7] = 0.15;
        v[11] = QString::fromUtf8(kSurnames[i % 20]);
        v[12] = QString::fromUtf8("ИВАН");
        v[13] = QString::fromUtf8("ИВАНОВИЧ");
        if (i % 100 == 0)
            v[15] = photo;
        v[22] = 1;
        v[23] = date;
        v[24] = QString::fromUtf8("Оператор");
        table->append(v);
    }
}

// The folder holding DATABASE/ of the shared journal of n records; made under a temporary name and renamed,
// so an interrupted generation is never taken for a finished one.
inline QString CachedJournal(int n)
{
    const char* env = std::getenv("VELT_BENCH_FIXTURES");
    const QString root = env && *env ? QString::fromLocal8Bit(env) : QStringLiteral("/tmp/velt-bench-fixtures");
    const QString folder = root + QString("/journal-%1").arg(n);
    if (QFileInfo::exists(folder + "/DATABASE"))
        return folder;
    const QString building = folder + ".part";
    QDir(building).removeRecursively();
    std::fprintf(stderr, "generating a journal of %d records in %s\n", n, qPrintable(folder));
    Generate(building, n);
    QDir(root).rename(building, folder);
    return folder;
}

// DATABASE/ of the journal in from copied into to, for a benchmark that writes.
inline void CopyJournal(const QString& from, const QString& to)
{
    const QDir source(from + "/DATABASE");
    QDir(to).mkpath("DATABASE");
    for (const QString& name : source.entryList(QDir::Files))
        QFile::copy(source.filePath(name), to + "/DATABASE/" + name);
}

// Wall and processor time (every thread of the process) since it was made, in ms: counters of a part of a
// benchmark, each beside the other so that a loaded machine does not hide a regression.
class Stopwatch {
public:
    Stopwatch() : wall_(std::chrono::steady_clock::now()), cpu_(ProcessCpuMs()) {}
    double WallMs() const { return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall_).count(); }
    double CpuMs() const { return ProcessCpuMs() - cpu_; }
    static double ProcessCpuMs()
    {
        timespec t{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
    }

private:
    std::chrono::steady_clock::time_point wall_;
    double cpu_;
};

// Resident memory of this process now, in MB (VmRSS: the pages of mapped files it touched count too).
inline double ResidentMB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

inline QFileInfo DbfFile(const QString& folder)
{
    for (const QFileInfo& f : QDir(folder + "/DATABASE").entryInfoList(QDir::Files))
        if (f.suffix().compare("dbf", Qt::CaseInsensitive) == 0)
            return f;
    return {};
}

} // namespace benchfx
