#pragma once
// The application object: an error that escapes an event handler is shown, as the platform's
// application does, and the program goes on; it never unwinds through the event loop.
#include <QApplication>

#include <functional>

class QTranslator;

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Runs one delivery; an error in it is logged and shown, and the event counts as not handled.
    static bool Deliver(const std::function<bool()>& delivery);
    // Installs Qt's own Russian texts (qtbase_ru of Qt's translations folder), so that the standard
    // print, save and file dialogs and buttons speak the program's language; null when they are missing.
    // The application object owns the translator.
    static QTranslator* InstallQtTranslations();
};
