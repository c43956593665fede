#include "app/program_start.h"

#include <QApplication>
#include <QScreen>
#include <QThread>

#include "app/close_on_signal.h"
#include "gui/application_title.h"
#include "gui/splash_window.h"

namespace kalore {

std::unique_ptr<TForm1> StartProgram(MainWindowOptions options) {
    auto* splash = new TForm3;
    splash->show();
    splash->repaint();
    QApplication::processEvents();
    SetApplicationTitle("Kalore");

    options.splash = splash;
    auto mainWindow = std::make_unique<TForm1>(std::move(options));
    mainWindow->CreatePlayerDialog();
    CloseOnTerminationRequest(*mainWindow);

    QThread::msleep(2000);
    splash->hide();
    delete splash;

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        mainWindow->move(screen->geometry().center() - mainWindow->rect().center());
    }
    mainWindow->show();
    // Not every window manager focuses a new window; activation runs the player checks.
    mainWindow->activateWindow();
    return mainWindow;
}

} // namespace kalore
