// Program entry: the start (splash, set-up, main window), then the message loop.
#include <QApplication>

#include "app/gui/program_start.h"
#include "app/gui/window_fonts.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    kalore::LoadWindowFonts();
    const std::unique_ptr<kalore::TForm1> mainWindow = kalore::StartProgram();
    return QApplication::exec();
}
