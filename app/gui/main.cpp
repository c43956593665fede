// Program entry: the splash window, the main window's set-up, the message loop.
#include <QApplication>
#include <QScreen>
#include <QThread>

#include "app/gui/application_title.h"
#include "app/gui/close_on_signal.h"
#include "app/gui/main_window.h"
#include "app/gui/splash_window.h"
#include "app/gui/window_fonts.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    kalore::LoadWindowFonts();
    auto* splash = new kalore::TForm3;
    splash->show();
    splash->repaint();
    QApplication::processEvents();
    kalore::SetApplicationTitle("Kalore");

    kalore::MainWindowOptions options;
    options.splash = splash;
    kalore::TForm1 mainWindow(options);

    mainWindow.CreatePlayerDialog();
    kalore::CloseOnTerminationRequest(mainWindow);

    QThread::msleep(2000);
    splash->hide();
    delete splash;

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        mainWindow.move(screen->geometry().center() - mainWindow.rect().center());
    }
    mainWindow.show();
    // Not every window manager focuses a new window; activation runs the player checks.
    mainWindow.activateWindow();
    return QApplication::exec();
}
