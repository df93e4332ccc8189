#pragma once
// What the program asks of the desktop shell.
#include <string>
#include <string_view>

namespace runtime {

class ShellAdapter {
  public:
    virtual ~ShellAdapter() = default;
    // Opens an address in the default browser (the shell's "open"); false when it could not.
    virtual bool open(std::string_view address) = 0;
    // The folder that holds the running program file, as the system spells it (UTF-8).
    virtual std::string program_directory() = 0;
    // The user's desktop folder (UTF-8).
    virtual std::string desktop_folder() = 0;
    // This PC's name on the network, as the system spells it (UTF-8); "" when unknown.
    virtual std::string computer_name() = 0;
};

}  // namespace runtime
