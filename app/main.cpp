// Program entry: Kalore's own options, the start (splash, set-up, main window), then
// the message loop.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>

#include "app/program_start.h"
#include "app/start_options.h"
#include "gui/message_box.h"
#include "gui/program_info.h"
#include "gui/window_fonts.h"
#include "gui/window_pictures.h"
#include "platform/program_folder.h"

namespace {

// Answers --help and --version on the terminal; true when one was asked.
bool AnsweredOnTerminal(const kalore::StartOptions& start) {
    if (start.help) {
        std::fputs(kalore::StartUsage().c_str(), stdout);
    } else if (start.version) {
        std::fputs(kalore::VersionAnswer(kalore::kProgramVersion).c_str(), stdout);
    }
    return start.help || start.version;
}

// Answers --help, --version and mistakes on the terminal, and a missing program folder
// in a box, since the launcher started from the menu has no terminal. Returns the exit
// status when Kalore must not start.
std::optional<int> RefusedStart(const kalore::StartOptions& start) {
    if (AnsweredOnTerminal(start)) {
        return 0;
    }
    if (!start.error.empty()) {
        std::fputs(("kalore : " + start.error + "\n" + kalore::StartUsage()).c_str(), stderr);
        return 2;
    }
    if (!start.programFolder.empty() && !std::filesystem::is_directory(start.programFolder)) {
        kalore::ShowMessageBox(nullptr,
                               "Le dossier de Kalore est introuvable :\r" + start.programFolder);
        return 1;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[]) {
    // Answered before the windows, which need a display: from a terminal without one
    // too. Qt's own options (-platform…) are read after, once Qt has taken them out.
    if (AnsweredOnTerminal(
            kalore::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc)))) {
        return 0;
    }
    QApplication app(argc, argv);
    const kalore::StartOptions start =
        kalore::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (const std::optional<int> status = RefusedStart(start)) {
        return *status;
    }
    QGuiApplication::setDesktopFileName(KALORE_APP_ID);
    QApplication::setWindowIcon(kalore::ProgramIcon());
    kalore::LoadWindowFonts();
    kalore::MainWindowOptions options;
    options.programFolder = start.programFolder;
    options.autostartCommand = kalore::AutostartCommand(start, kalore::ExecutablePath());
    const std::unique_ptr<kalore::TForm1> mainWindow = kalore::StartProgram(std::move(options));
    if (mainWindow->CloseRequested()) {
        return 0;
    }
    return QApplication::exec();
}
