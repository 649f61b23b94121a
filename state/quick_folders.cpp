#include "state/quick_folders.h"

#include <filesystem>
#include <system_error>

namespace ostrel {

namespace {

namespace fs = std::filesystem;

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

bool IsFolder(const std::string& folder) {
    std::error_code failed;
    return !folder.empty() && fs::is_directory(fs::path(folder), failed);
}

// The same folder however written ("/a/b" and "/a/b/", "/a/./b").
bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code failed;
    return fs::equivalent(fs::path(a), fs::path(b), failed);
}

}  // namespace

std::string ComputerNameFrom(std::string_view systemName) {
    return std::string(systemName.substr(0, 15));
}

std::string FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ExamplesFolder(std::string_view programFolder) {
    if (programFolder.empty()) return std::string();
    const fs::path program(programFolder);
    for (const fs::path& candidate :
         {program / ".." / "share" / "ostrel" / "examples", program / ".." / "examples"}) {
        const std::string folder = candidate.lexically_normal().string();
        if (IsFolder(folder)) return WithSlash(folder);
    }
    return std::string();
}

std::vector<QuickFolder> QuickFolders(const QuickFolderPlaces& places) {
    std::vector<QuickFolder> entries;
    auto add = [&](const char* item, const char* what, const std::string& folder) {
        if (!IsFolder(folder)) return;
        const std::string shown = WithSlash(folder);
        entries.push_back({item, std::string(what) + ": " + shown, shown});
    };
    const std::string examples = ExamplesFolder(places.programFolder);
    add("QuickFolder1", "Домашняя папка", places.home);
    add("QuickFolder2", "Примеры спектров", examples);
    // The open spectrum's folder is an entry of its own only when no other entry is that folder.
    bool listed = false;
    for (const QuickFolder& e : entries)
        listed = listed || SameFolder(e.folder, places.spectrumFolder);
    if (!listed) add("QuickFolder3", "Папка открытого спектра", places.spectrumFolder);
    add("CTemp1", "Временная папка", places.tempFolder);
    return entries;
}

}  // namespace ostrel
