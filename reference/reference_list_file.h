// A user's own list of reference ions: a text file of one ion a line, read as the program reads
// its text files (Windows-1251).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reference/reference_sets.h"

namespace ostrel {

// Each line holds one ion: a formula ("C4F9+" or "C4F9": the singly charged positive ion, its
// exact mass from the element table), a mass in u ("218.98508", the decimal separator "." or
// ","), or a mass and a name ("218.98508  C4F9+", the name taken as it stands, its carbon count
// used when it reads as a formula). "#" starts a comment; blank lines are skipped. CommandError
// naming the line number and its text for a line that is none of these, and for a list without
// any ion. The ions come back ascending in mass (lines of one mass in file order).
std::vector<ReferenceIon> ReadReferenceList(std::string_view utf8Text);

// The same for a Windows-1251 file; CommandError naming the file when it cannot be read.
std::vector<ReferenceIon> ReadReferenceListFile(const std::string& path);

}  // namespace ostrel
