#include "reference/reference_choice.h"

#include <string>

#include "reference/reference_list_file.h"

namespace ostrel {

std::vector<ReferenceIon> ReferenceIonsFor(std::string_view refs,
                                           std::span<const MassInterval> windows) {
    if (refs == "pftba") return PftbaIons();
    if (refs == "cf") return CFIonsIn(windows);
    if (refs == "ch") return CHIonsIn(windows);
    return ReadReferenceListFile(std::string(refs));
}

}  // namespace ostrel
