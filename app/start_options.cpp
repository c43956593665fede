#include "app/start_options.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <utility>

#include "platform/program_folder.h"

namespace kalore {
namespace {

constexpr const char* kProgramFolderOption = "--program-folder";
constexpr const char* kLauncherOption = "--launcher";

// Qt's own options (single dash), which Qt takes out of the command line once the
// windows start: those that take a value, then those that don't.
constexpr std::string_view kQtValueOptions[] = {
    "-platform",    "-platformpluginpath", "-platformtheme", "-plugin",  "-qwindowgeometry",
    "-qwindowicon", "-qwindowtitle",       "-session",       "-display", "-geometry",
    "-style",       "-stylesheet",         "-qmljsdebugger"};
constexpr std::string_view kQtFlagOptions[] = {"-reverse", "-widgetcount", "-sync", "-nograb",
                                               "-dograb"};

// How many arguments a Qt option at `argument` takes up, itself included: 0 when it
// is none of Qt's.
std::size_t QtOptionLength(const std::string& argument) {
    const std::string_view name = std::string_view(argument).substr(0, argument.find('='));
    const bool inlineValue = name.size() < argument.size();
    if (std::find(std::begin(kQtValueOptions), std::end(kQtValueOptions), name) !=
        std::end(kQtValueOptions)) {
        return inlineValue ? 1 : 2;
    }
    const bool flag = std::find(std::begin(kQtFlagOptions), std::end(kQtFlagOptions), name) !=
                      std::end(kQtFlagOptions);
    return flag && !inlineValue ? 1 : 0;
}

std::string AbsolutePath(const std::string& path) {
    return std::filesystem::absolute(path).lexically_normal().string();
}

StartOptions Refused(std::string error) {
    StartOptions refused;
    refused.error = std::move(error);
    return refused;
}

std::string AbsoluteFolder(const std::string& path) {
    std::string folder = AbsolutePath(path);
    if (folder.back() != PathSeparator()) {
        folder += PathSeparator();
    }
    return folder;
}

} // namespace

StartOptions ParseStartOptions(const std::vector<std::string>& arguments) {
    StartOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        if (argument == "--version") {
            options.version = true;
            continue;
        }
        if (const std::size_t length = QtOptionLength(argument); length > 0) {
            i += length - 1;
            continue;
        }
        // "--name VALUE" or "--name=VALUE".
        const std::size_t equals =
            argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
        const std::string name = argument.substr(0, equals);
        std::string* target = name == kProgramFolderOption ? &options.programFolder
                              : name == kLauncherOption    ? &options.launcher
                                                           : nullptr;
        if (target == nullptr) {
            return Refused("option inconnue « " + argument + " »");
        }
        if (equals != std::string::npos) {
            *target = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            *target = arguments[++i];
        }
        if (target->empty()) {
            return Refused("il manque la valeur de « " + name + " »");
        }
    }
    if (!options.programFolder.empty()) {
        options.programFolder = AbsoluteFolder(options.programFolder);
    }
    if (!options.launcher.empty()) {
        options.launcher = AbsolutePath(options.launcher);
    }
    return options;
}

std::string StartUsage() {
    return "Usage : kalore [--program-folder DOSSIER] [--launcher COMMANDE] [--help] [--version]\n"
           "  --program-folder DOSSIER  le dossier du programme, qui contient B/ (réglages,\n"
           "                            liste des chaînes, programmation) et RECORDS/\n"
           "                            (enregistrements programmés) ; par défaut, le\n"
           "                            dossier de l'exécutable\n"
           "  --launcher COMMANDE       la commande qui a lancé Kalore, que reprend le\n"
           "                            lancement au démarrage de la session\n"
           "  --help                    affiche cette aide\n"
           "  --version                 affiche la version de Kalore\n"
           "Les options de Qt (-platform, -style, -reverse…) sont acceptées aussi.\n";
}

std::string VersionAnswer(int programVersion) {
    return "Kalore " + std::to_string(programVersion / 10) + "." +
           std::to_string(programVersion % 10) + "\n";
}

std::vector<std::string> AutostartCommand(const StartOptions& options,
                                          const std::string& executablePath) {
    if (!options.launcher.empty()) {
        return {options.launcher};
    }
    if (!options.programFolder.empty()) {
        return {executablePath, kProgramFolderOption, options.programFolder};
    }
    return {};
}

} // namespace kalore
