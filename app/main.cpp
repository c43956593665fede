// Program entry: Kalore's own options, the display, the start (splash, set-up, main
// window), then the message loop.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>

#include "app/display_choice.h"
#include "app/program_start.h"
#include "app/start_options.h"
#include "gui/message_box.h"
#include "gui/program_info.h"
#include "gui/qt_translations.h"
#include "gui/window_fonts.h"
#include "gui/window_pictures.h"
#include "platform/program_folder.h"

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// Answers --help, --version and mistakes on the terminal, before the windows, which
// need a display: from a terminal without one too. Returns the exit status when
// Kalore must not start.
std::optional<int> AnsweredOnTerminal(const kalore::StartOptions& start) {
    if (start.help) {
        std::fputs(kalore::StartUsage().c_str(), stdout);
        return 0;
    }
    if (start.version) {
        std::fputs(kalore::VersionAnswer(kalore::kProgramVersion).c_str(), stdout);
        return 0;
    }
    if (!start.error.empty()) {
        std::fputs(("kalore : " + start.error + "\n" + kalore::StartUsage()).c_str(), stderr);
        return 2;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[]) {
    const kalore::StartOptions start =
        kalore::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (const std::optional<int> status = AnsweredOnTerminal(start)) {
        return *status;
    }
    const kalore::DisplayChoice display =
        kalore::ChooseDisplay({Environment("QT_QPA_PLATFORM"), Environment("WAYLAND_DISPLAY"),
                               Environment("DISPLAY"), Environment("XDG_SESSION_TYPE")});
    if (!display.refusal.empty()) {
        std::fprintf(stderr, "kalore : %s\n", display.refusal.c_str());
        return 1;
    }
    // Asked on the command line rather than through QT_QPA_PLATFORM, which every
    // program Kalore starts (the file manager, the recorder) would inherit.
    std::vector<char*> qtArguments(argv, argv + argc);
    std::string platformOption = "-platform";
    std::string platform = display.qtPlatform;
    if (!platform.empty()) {
        qtArguments.push_back(platformOption.data());
        qtArguments.push_back(platform.data());
    }
    int qtArgumentCount = static_cast<int>(qtArguments.size());
    qtArguments.push_back(nullptr);
    QApplication app(qtArgumentCount, qtArguments.data());
    const std::string translations = kalore::LoadQtFrenchTranslations();
    // The launcher started from the menu has no terminal: a box says it.
    if (!start.programFolder.empty() && !std::filesystem::is_directory(start.programFolder)) {
        kalore::ShowMessageBox(nullptr,
                               "Le dossier de Kalore est introuvable :\r" + start.programFolder);
        return 1;
    }
    QGuiApplication::setDesktopFileName(KALORE_APP_ID);
    QApplication::setWindowIcon(kalore::ProgramIcon());
    kalore::LoadWindowFonts();
    kalore::MainWindowOptions options;
    options.programFolder = start.programFolder;
    options.autostartCommand = kalore::AutostartCommand(start, kalore::ExecutablePath());
    const std::unique_ptr<kalore::TForm1> mainWindow = kalore::StartProgram(std::move(options));
    mainWindow->AppendLog(translations);
    if (mainWindow->CloseRequested()) {
        return 0;
    }
    if (!display.warning.empty()) {
        mainWindow->AppendLog(display.warning);
        kalore::ShowQueuedMessageBox(mainWindow.get(), display.warning);
    }
    return QApplication::exec();
}
