// The quick folders of the menu "Папки": folders of this computer where spectra are likely to
// lie, each named for what it is, and only those that exist.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// The computer's name as the program holds it: at most 15 characters.
std::string ComputerNameFrom(std::string_view systemName);

struct QuickFolder {
    std::string item;     // the menu item: QuickFolder1 (home), QuickFolder2 (examples),
                          // QuickFolder3 (the open spectrum's folder), CTemp1 (temporary)
    std::string caption;  // what the folder is, and where
    std::string folder;   // the folder, ending with "/"
};

// Where the program's folders are on this computer. Empty: not known (no spectrum open yet).
struct QuickFolderPlaces {
    std::string home;
    std::string programFolder;  // the folder of the program file
    std::string spectrumFolder;
    std::string tempFolder;
};

// The examples installed with the program: "<prefix>/share/ostrel/examples/" for a program in
// "<prefix>/bin/", or the examples of the source tree for a program run from a build folder
// inside it. Empty when neither folder exists.
std::string ExamplesFolder(std::string_view programFolder);

// The entries in menu order, without those whose folder is not known or does not exist (the
// open spectrum's folder is left out when it is the home folder or the examples).
std::vector<QuickFolder> QuickFolders(const QuickFolderPlaces& places);

// The folder of a file, ending with "/" ("" for a bare name).
std::string FolderOf(std::string_view path);

}  // namespace ostrel
