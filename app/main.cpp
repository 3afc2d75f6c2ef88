// The program's entry point. Until the main window lands it starts the log in its work folder and says so.
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::printf("velt: nothing to show yet\n");
    return 0;
}
