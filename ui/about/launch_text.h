// The pure parts of opening a web link: the command line for the registered
// ".htm" handler and the texts of the failure message. No Windows header, so
// they are tested natively.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace scriblet {

// The longest default value a registry look-up accepts, in bytes with its
// terminating zero.
constexpr std::size_t kRegistryValueLimit = 260;
// The longest handler command line, in characters with its terminating zero.
constexpr std::size_t kCommandLineLimit = 520;

// The handler's command line cut at its placeholder: at the first "%1" in
// double quotes, else at the first bare "%1", else left whole. Whatever
// followed the placeholder is dropped.
std::string cutCommandLine(const std::string& command);

// The cut command line, a blank and the address; none when that would not
// fit the command line limit (a failed look-up rather than a truncated call).
std::optional<std::string> handlerCommandLine(const std::string& command, const std::string& address);

// "Unable to open hyperlink:\n\n" and the reason for a shell or WinExec result.
std::string launchErrorText(int code);

}  // namespace scriblet
