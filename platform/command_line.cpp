#include "platform/command_line.h"

namespace kalore {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The program name: quotes only delimit, backslashes are plain characters.
std::size_t ReadProgramName(std::string_view text, std::string& out) {
    std::size_t i = 0;
    bool quoted = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (IsBlank(c) && !quoted) {
            break;
        } else {
            out += c;
        }
    }
    return i;
}

std::size_t ReadArgument(std::string_view text, std::size_t i, std::string& out) {
    bool quoted = false;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\\') {
            std::size_t backslashes = 0;
            while (i < text.size() && text[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < text.size() && text[i] == '"') {
                out.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    out += '"';
                    ++i;
                }
            } else {
                out.append(backslashes, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                out += '"';
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        if (IsBlank(c) && !quoted) {
            break;
        }
        out += c;
        ++i;
    }
    return i;
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> args;
    if (commandLine.empty()) {
        return args;
    }
    std::string program;
    std::size_t i = ReadProgramName(commandLine, program);
    args.push_back(program);
    while (true) {
        while (i < commandLine.size() && IsBlank(commandLine[i])) {
            ++i;
        }
        if (i >= commandLine.size()) {
            break;
        }
        std::string arg;
        i = ReadArgument(commandLine, i, arg);
        args.push_back(arg);
    }
    return args;
}

} // namespace kalore
