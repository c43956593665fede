// Program entry: the splash window, the main window's set-up, the message loop.
#include <QApplication>
#include <QThread>

#include "app/gui/main_window.h"
#include "app/gui/splash_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    auto* splash = new kalore::TForm3;
    splash->show();
    splash->repaint();
    QApplication::processEvents();
    QApplication::setApplicationDisplayName("Kalore");

    kalore::MainWindowOptions options;
    options.splash = splash;
    kalore::TForm1 mainWindow(options);
    mainWindow.SetAppTitle("Kalore");

    QThread::msleep(2000);
    splash->hide();
    delete splash;

    mainWindow.show();
    return QApplication::exec();
}
