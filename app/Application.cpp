#include "app/Application.h"

#include "app/MainForm.h"
#include "core/Debug.h"

#include <exception>

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    return Deliver([&] { return QApplication::notify(receiver, event); });
}

bool TApplication::Deliver(const std::function<bool()>& delivery)
{
    try {
        return delivery();
    } catch (const std::exception& e) {
        Dbg().Print("Exception: %s", e.what());
        ShowException(e.what());
    } catch (...) {
        Dbg().Print("Exception: unknown");
        ShowException("Unknown exception");
    }
    return false;
}
