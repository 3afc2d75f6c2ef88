#include "journal/JournalErrors.h"

#include "core/Debug.h"
#include "platform/controls/MessageBox.h"

bool RunReported(const char* command, const QString& message, const std::function<void()>& run)
{
    try {
        run();
        return true;
    } catch (const std::exception& e) {
        Dbg().Print("%s - error: %s", command, e.what());
    } catch (...) {
        Dbg().Print("%s - error", command);
    }
    ctl::MessageBox(message, QStringLiteral("Ошибка"), ctl::MB_OK | ctl::MB_ICONERROR);
    return false;
}
