#include "app/program_start.h"

#include <QApplication>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>

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

    // The splash's pause runs the event loop: the trigger, armed by the set-up,
    // launches a recording due meanwhile on time.
    QEventLoop pause;
    QTimer::singleShot(2000, &pause, &QEventLoop::quit);
    pause.exec();
    splash->hide();
    delete splash;
    // The session ended during the pause: the window is closed already, and showing it
    // would keep Kalore running after the session asked it to end.
    if (mainWindow->CloseRequested()) {
        return mainWindow;
    }

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        mainWindow->move(screen->geometry().center() - mainWindow->rect().center());
    }
    mainWindow->show();
    // Not every window manager focuses a new window; activation runs the player checks.
    mainWindow->activateWindow();
    return mainWindow;
}

} // namespace kalore
