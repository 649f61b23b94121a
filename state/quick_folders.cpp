#include "state/quick_folders.h"

#include <algorithm>

namespace ostrel {

namespace {

// Installation values: the two laboratory computers and their spectrum folders.
constexpr const char* kFolder1 = "D:\\Spectra\\";
constexpr const char* kFolder2 = "D:\\Spectra\\Calibration\\";
constexpr const char* kFolder3 = "D:\\Data\\";
constexpr const char* kFolder4 = "D:\\Spectra\\Archive\\";
constexpr const char* kTempFolder = "C:\\Temp";

std::string WithSlashes(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    if (out.empty() || out.back() != '/') out += '/';
    return out;
}

std::string Trimmed(std::string_view folder) {
    std::string s(folder);
    while (s.size() > 3 && s.back() == '\\') s.pop_back();
    return s;
}

}  // namespace

const HostNames& ConfiguredHosts() {
    static const HostNames hosts{"MSLAB1", "MSLAB2"};
    return hosts;
}

std::string ComputerNameFrom(std::string_view systemName) {
    return std::string(systemName.substr(0, 15));
}

std::string NetworkForm(std::string_view localFolder, std::string_view host) {
    if (localFolder.size() >= 2 && localFolder[1] == ':')
        return "\\\\" + std::string(host) + std::string(localFolder.substr(2));
    return std::string(localFolder);
}

std::vector<QuickFolder> QuickFolders(bool onHost1, bool onHost2) {
    const HostNames& h = ConfiguredHosts();
    auto entry = [](const char* item, const std::string& host, const std::string& folder) {
        return QuickFolder{item, host + ": " + Trimmed(folder), folder};
    };
    return {
        entry("QuickFolder1", h.host1, onHost1 ? kFolder1 : NetworkForm(kFolder1, h.host1)),
        entry("QuickFolder2", h.host1, onHost1 ? kFolder2 : NetworkForm(kFolder2, h.host1)),
        entry("QuickFolder3", h.host2, onHost2 ? kFolder3 : NetworkForm(kFolder3, h.host2)),
        entry("QuickFolder4", "Этот компьютер", kFolder4),
        QuickFolder{"CTemp1", kTempFolder, kTempFolder},
    };
}

std::string LocalPathOf(std::string_view folder, std::string_view homeFolder,
                        std::string_view tempFolder) {
    if (folder == kTempFolder) return WithSlashes(tempFolder);
    if (folder.substr(0, 2) == "\\\\") return WithSlashes("/mnt/" + std::string(folder.substr(2)));
    std::string rest(folder.size() >= 2 && folder[1] == ':' ? folder.substr(2) : folder);
    while (!rest.empty() && rest.front() == '\\') rest.erase(rest.begin());
    return WithSlashes(std::string(homeFolder) + "/" + rest);
}

}  // namespace ostrel
