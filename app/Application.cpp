#include "app/Application.h"

#include "app/MainForm.h"
#include "core/Debug.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <exception>
#include <stdexcept>

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    InstallQtTranslations();
}

QTranslator* TApplication::InstallQtTranslations()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    // Russian whatever the user's locale: the program's own texts are Russian.
    if (!translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
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
        ShowException(e);
    } catch (...) {
        Dbg().Print("Exception: unknown");
        ShowException(std::runtime_error("Произошла непредвиденная ошибка. Подробности записаны в протокол программы."));
    }
    return false;
}
