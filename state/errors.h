// Errors that stop a command. Every command catches CommandError, shows its text to the user and
// leaves the program state as it was before the command started.
#pragma once

#include <stdexcept>
#include <string>

namespace ostrel {

class CommandError : public std::runtime_error {
  public:
    explicit CommandError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace ostrel
