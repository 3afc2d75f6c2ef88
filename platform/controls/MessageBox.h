#pragma once
// The one way the program shows a message box or asks a yes/no question.
//
// The program's port shows a QMessageBox; tests install a port that answers from a script and records what
// was asked. Flags and results keep the platform's values, so callers read as the platform's callers do:
// MessageBox(text, caption, MB_OKCANCEL | MB_ICONWARNING) == IDOK.
#include <QString>

#include <deque>
#include <mutex>
#include <vector>

namespace ctl {

// Buttons (low four bits).
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x02;
constexpr unsigned MB_YESNOCANCEL = 0x03;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_RETRYCANCEL = 0x05;
// The class library's Yes, No and All dialog (not a system button set).
constexpr unsigned MB_YESNOALL = 0x07;
constexpr unsigned MB_TYPEMASK = 0x0F;
// Icons.
constexpr unsigned MB_ICONSTOP = 0x10; // also "hand", "error"
constexpr unsigned MB_ICONERROR = MB_ICONSTOP;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30; // also "exclamation"
constexpr unsigned MB_ICONEXCLAMATION = MB_ICONWARNING;
constexpr unsigned MB_ICONINFORMATION = 0x40; // also "asterisk"
constexpr unsigned MB_ICONMASK = 0xF0;
// Default button (the first when none is given).
constexpr unsigned MB_DEFBUTTON1 = 0x000;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;
constexpr unsigned MB_DEFMASK = 0xF00;

// Results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDALL = 8;

// The results a box with these flags can give, in button order.
std::vector<int> ButtonResults(unsigned flags);
// The result of the default button, which is also what closing an OK-only box gives.
int DefaultResult(unsigned flags);

class TMessageBoxPort {
public:
    virtual ~TMessageBoxPort() = default;
    // Runs on the main thread; returns one of the ID* results.
    virtual int Show(const QString& text, const QString& caption, unsigned flags) = 0;
};

// Shows the box on the main thread (a worker thread is blocked until it is answered) and returns the result.
int MessageBox(const QString& text, const QString& caption, unsigned flags = MB_OK);

// Installs a port (not owned); null puts the program's own QMessageBox port back. Returns the previous one.
TMessageBoxPort* SetMessageBoxPort(TMessageBoxPort* port);

// The program's port: a modal QMessageBox with the texts, buttons and icon asked for.
class TQtMessageBoxPort : public TMessageBoxPort {
public:
    int Show(const QString& text, const QString& caption, unsigned flags) override;
};

// The test port: answers from a script in order; with the script used up it gives the default button.
// Installs itself on construction and restores the previous port when destroyed.
class TScriptedMessageBoxPort : public TMessageBoxPort {
public:
    struct Asked {
        QString text;
        QString caption;
        unsigned flags;
        int result;
        unsigned buttons() const { return flags & MB_TYPEMASK; }
        unsigned icon() const { return flags & MB_ICONMASK; }
    };

    TScriptedMessageBoxPort();
    ~TScriptedMessageBoxPort() override;
    TScriptedMessageBoxPort(const TScriptedMessageBoxPort&) = delete;
    TScriptedMessageBoxPort& operator=(const TScriptedMessageBoxPort&) = delete;

    void Answer(int result); // queue one answer
    std::vector<Asked> AskedSoFar() const;
    int Count() const;
    void Clear();

    int Show(const QString& text, const QString& caption, unsigned flags) override;

private:
    mutable std::mutex lock_;
    std::deque<int> script_;
    std::vector<Asked> asked_;
    TMessageBoxPort* previous_;
};

} // namespace ctl
