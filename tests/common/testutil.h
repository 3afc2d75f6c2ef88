#pragma once
// Small helpers shared by the test programs.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <string>

namespace testutil {

// A fresh folder removed when the object goes; fails the test when it cannot be made.
class TempDir {
public:
    TempDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
private:
    QTemporaryDir dir_;
};

// Puts LC_NUMERIC on a locale whose decimal separator is ',' for the life of the object, building one
// when the machine has none installed; ok() is false when none can be had.
class CommaLocale {
public:
    CommaLocale();
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;
    bool ok() const { return ok_; }

private:
    QTemporaryDir dir_;
    std::string saved_;
    bool ok_ = false;
};

// Points HOME (and the XDG config folder under it) at a fresh folder for the life of the object, so that
// the user's documents folder is documents(), which is not made.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    QString path() const { return dir_.path(); }
    QString documents() const { return dir_.file(QStringLiteral("Documents")); }

private:
    TempDir dir_;
    QByteArray savedHome_, savedConfig_;
};

QByteArray readFile(const QString& path);
// Runs the event loop for ms milliseconds.
void PumpEvents(int ms);
// Runs the event loop until done() holds or ms milliseconds have passed (a hang guard, not a timing); gives done().
bool PumpUntil(const std::function<bool()>& done, int ms = 10000);
void writeFile(const QString& path, const QByteArray& bytes);

// Runs a Python script with the path as its argument and gives what it printed; a script that fails is a test
// failure with its errors.
QString runPython(const QString& script, const QString& path);

// How long an operation that must end at once may take on a machine loaded far past its processors. A test of such
// an operation makes whatever the operation could wait on instead (a time-out, a pause, a slow peer) last well
// beyond this, so that the bound still tells the two apart.
constexpr int kPromptMs = 5000;

// True when the test program runs on a real X server (the UnderX11 entries of ctest), not offscreen.
bool RealX();




} // namespace testutil
