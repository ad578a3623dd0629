#include "launcher/core/PackageSearch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

#include "common/MainClientContract.h"

namespace ovix::launcher {
namespace {

enum class EntryKind { kFolder, kNotFolder };

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Whether the entry is a folder. A symbolic link counts as what it points to, as a link to a
// folder carries the folder attribute elsewhere; a dangling link is not a folder.
bool IsFolderEntry(const std::string& folder, const dirent& entry) {
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) {
        return entry.d_type == DT_DIR;
    }
    struct stat info {};
    const std::string path = folder + "/" + entry.d_name;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FindEntry(const std::string& folder, std::string_view name, EntryKind kind) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) {
        return false;  // a folder that cannot be listed holds nothing we can use
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view entryName(entry->d_name);
        if (entryName.empty() || entryName.front() == '.') {
            continue;
        }
        if (entryName == name && IsFolderEntry(folder, *entry) == (kind == EntryKind::kFolder)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool FindSubfolder(const std::string& folder, std::string_view name) {
    return FindEntry(folder, name, EntryKind::kFolder);
}

bool FindPackageFile(const std::string& folder, std::string_view name) {
    return FindEntry(folder, name, EntryKind::kNotFolder);
}

bool CheckUpdatePackage(const std::string& programFolder) {
    if (!FindSubfolder(programFolder, contract::kDownloadFolder)) {
        return false;
    }
    return FindPackageFile(programFolder + "/" + std::string(contract::kDownloadFolder),
                           contract::kUpdatePackageName);
}

}  // namespace ovix::launcher
