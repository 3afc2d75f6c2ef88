#pragma once
// The application object: an error that escapes an event handler is shown, as the platform's
// application does, and the program goes on; it never unwinds through the event loop.
#include <QApplication>

#include <functional>

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Runs one delivery; an error in it is logged and shown, and the event counts as not handled.
    static bool Deliver(const std::function<bool()>& delivery);
};
