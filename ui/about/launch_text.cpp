#include "ui/about/launch_text.h"

namespace scriblet {

namespace {

struct Reason {
    int code;
    const char* text;
};

// Shell and WinExec results with the reasons the user is shown.
const Reason kReasons[] = {
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred. "},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
    {31, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
};

}  // namespace

std::string cutCommandLine(const std::string& command) {
    std::string::size_type cut = command.find("\"%1\"");
    if (cut == std::string::npos) cut = command.find("%1");
    if (cut == std::string::npos) return command;
    return command.substr(0, cut);
}

std::optional<std::string> handlerCommandLine(const std::string& command, const std::string& address) {
    std::string line = cutCommandLine(command);
    line += ' ';
    line += address;
    if (line.size() >= kCommandLineLimit) return std::nullopt;
    return line;
}

std::string launchErrorText(int code) {
    std::string text = "Unable to open hyperlink:\n\n";
    for (const Reason& reason : kReasons) {
        if (reason.code == code) return text + reason.text;
    }
    return text + "Unknown Error (" + std::to_string(code) + ") occurred.";
}

}  // namespace scriblet
