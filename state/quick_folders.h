// The quick folders of the menu "Папки": a small built-in table of two laboratory hosts and four
// folders, the choice of local or network form by the computer's name, and where such a folder
// lies on this computer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

struct HostNames {
    std::string host1;
    std::string host2;
};

const HostNames& ConfiguredHosts();

// The computer's name as the program holds it: at most 15 characters.
std::string ComputerNameFrom(std::string_view systemName);

struct QuickFolder {
    std::string item;     // QuickFolder1..QuickFolder4, CTemp1
    std::string caption;  // the menu caption
    std::string folder;   // the folder in its Windows form, "D:\..." or "\\HOST\..."
};

// "D:\Spectra\" on host LAB becomes "\\LAB\Spectra\".
std::string NetworkForm(std::string_view localFolder, std::string_view host);

// The five entries in menu order, for a computer that is (or is not) one of the two hosts.
std::vector<QuickFolder> QuickFolders(bool onHost1, bool onHost2);

// Where a folder of the table lies on this computer: "C:\Temp" is the given temporary folder, a
// network folder "\\HOST\rest" the share mounted at /mnt/HOST/rest, a local "D:\rest" the folder
// rest under the home folder. Separators become "/" and the result ends with one.
std::string LocalPathOf(std::string_view folder, std::string_view homeFolder,
                        std::string_view tempFolder);

}  // namespace ostrel
