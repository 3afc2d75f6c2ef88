// The program: the application "VELT" with its main window. An error that reaches this point is shown and
// the program ends.
#include "app/Application.h"
#include "app/MainForm.h"
#include "app/WorkFolder.h"
#include "report/designer/rpDesignerForm.h"

#include <exception>

int main(int argc, char** argv)
{
    PrivateFilesFromNowOn();
    TApplication app(argc, argv);
    QCoreApplication::setApplicationName("VELT");
    // The report designer exists hidden for the program's whole life, registered with the engine.
    rpDesignerStartup();
    try {
        TfmMain window(QCoreApplication::applicationDirPath());
        if (window.FormCreate())
            app.exec();
        window.FormDestroy();
    } catch (const std::exception& e) {
        ShowException(e);
    }
    rpDesignerShutdown();
    return 0;
}
