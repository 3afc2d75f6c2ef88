#pragma once
// The program's log: one process-wide object that every thread writes formatted lines to.
//
// File: BaseName + ".log", opened for appending; when it cannot be opened, BaseName + "000.log" ...
// BaseName + "999.log", the first that opens. Each opening writes the day header
// "\n-===( yyyy.mm.dd )=======================-\n\n". Each line: "hh:mm:ss.mmm " (local time), the process
// id, a backslash and the thread id (lower-case hex, at least three digits each), two blanks, the prefix, the
// text, " { <system error text> }" when the format holds "+LE", and a line end. Line ends are stored as
// CR LF; the text is UTF-8. Each line goes to the file in one write() under the lock, so lines of many
// threads never mix and the log is complete up to the last line when the program ends abruptly.
//
// Bounded: a file past kLogRotateBytes is renamed to ".log.1" (the older ones to ".2" ... up to
// kLogFilesKept) and a new one begun. Lines of threads other than the main one (the instruments' threads,
// where a noisy line or a silent instrument repeats the same line for hours) are limited per call site:
// the same text, while the thread logs nothing new between, at most once per kLogRepeatWindowMs, other texts at most kLogLinesPerWindow in it; the
// next line written says how many were left out. A format that only passes a text on ("%s") is no call
// site of its own: there each text is limited by itself, once per window. Control characters and bytes that are not UTF-8 in the
// text are written as \xNN, so bytes from a serial line never reach the file raw.
#include "platform/rtl/DateTime.h"

#include <QString>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#define VELT_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

// A file beyond this is rotated: about a day of a busy installation's normal lines.
constexpr std::int64_t kLogRotateBytes = 8 * 1024 * 1024;
// Rotated files kept beside the current one (".log.1" is the newest).
constexpr int kLogFilesKept = 4;
// Per thread and call site: the window, and the lines of different text written in it.
constexpr std::int64_t kLogRepeatWindowMs = 60 * 1000;
constexpr int kLogLinesPerWindow = 20;

class TDebug {
public:
    // Where the time of a line and the ids come from; tests give fixed ones.
    struct Sources {
        std::function<rtl::SystemTime()> localTime;
        std::function<unsigned long()> processId;
        std::function<unsigned long()> threadId;
        // Milliseconds of a steady clock, for the limits (empty: the system's).
        std::function<std::int64_t()> steadyMs;
        // Whether the calling thread is the main one, whose lines are never limited (empty: the process's
        // first thread).
        std::function<bool()> mainThread;
    };

    TDebug(); // the local wall clock, getpid() and gettid()
    explicit TDebug(Sources sources);
    ~TDebug();
    TDebug(const TDebug&) = delete;
    TDebug& operator=(const TDebug&) = delete;

    void Print(const char* fmt, ...) VELT_PRINTF(2, 3);
    // Writes only at a debug level of 1 or more; the level stays 0.
    void PrintDebug(const char* fmt, ...) VELT_PRINTF(2, 3);
    void VPrint(const char* prefix, const char* fmt, va_list args) VELT_PRINTF(3, 0);

    // Closes the file; the next line opens BaseName + ".log" for the new base name. A name too long for a
    // path falls back to the default base name.
    void SetBaseName(const QString& path);
    void SetBaseName(const char* path);
    // The program file's path without its extension (the folder of the program file holds the log).
    void SetDefaultBaseName();
    // Opens the file when it is closed (writing the day header); true when a file is open.
    bool OpenFile();

    // The file last tried or opened.
    QString FileName() const;

private:
    struct Site {
        std::int64_t windowStart = 0;
        int written = 0;
        unsigned long left = 0;
        std::string lastText;
        unsigned long newAtLast = 0; // the thread's count of new lines when this site last wrote
    };
    // Whether a line of this call site may be written now; *left gets the lines left out before it.
    bool admitLocked(const char* fmt, const std::string& text, unsigned long* left);
    void rotateLocked(const rtl::SystemTime& now);
    bool openLocked(const rtl::SystemTime& now);
    void closeLocked();
    void setDefaultBaseNameLocked();
    void writeLocked(std::string text);

    mutable std::mutex lock_;
    int File = -1;
    std::int64_t size_ = 0;
    // By thread and format; a pass-through format by thread and text.
    std::map<std::pair<long, const char*>, Site> sites_;
    std::map<std::pair<long, std::string>, Site> texts_;
    std::int64_t lastPrune_ = 0;
    // Per thread: lines written that were not a repeat of their site's last text.
    std::map<long, unsigned long> newLines_;
    std::string PathBuf;
    std::string BaseName;
    int8_t Level = 0;
    Sources sources_;
};

// The one process-wide log; usable from static initialisation on, never destroyed.
TDebug& Dbg();

void DbgPrintWithPrefix(const char* prefix, const char* fmt, ...) VELT_PRINTF(2, 3);

// Room DbgFormatLocation needs, the terminating zero included.
constexpr std::size_t kDbgLocationSize = 112;
// Writes "%.31s (%d) %.60s " (file, line, function) into buf, which holds kDbgLocationSize bytes; returns buf.
char* DbgFormatLocation(char* buf, const char* file, const char* func, int line);
