#include "platform/folderwalk.h"

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>

namespace fs = std::filesystem;

std::optional<FolderListing> GetFolder(const NativePath& folder)
{
    // readdir hands out each entry's type with its name: a folder costs one open
    // and a few reads, without a path object or a stat per entry.
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return std::nullopt;
    struct stat st {
    };
    if (::fstat(::dirfd(dir.get()), &st) != 0)
        return std::nullopt;
    FolderListing listing;
    listing.id = {static_cast<std::uintmax_t>(st.st_dev), static_cast<std::uintmax_t>(st.st_ino)};
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        // Links count as what they point to, and a dangling link as neither;
        // some file systems do not tell the type at all.
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat target {
            };
            if (::fstatat(::dirfd(dir.get()), entry->d_name, &target, 0) != 0)
                continue;
            type = S_ISDIR(target.st_mode) ? DT_DIR : S_ISREG(target.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR)
            listing.subfolders.emplace_back(name);
        else if (type == DT_REG)
            listing.files.emplace_back(name);
    }
    std::sort(listing.subfolders.begin(), listing.subfolders.end());
    std::sort(listing.files.begin(), listing.files.end());
    return listing;
}

NativePath joinPath(const NativePath& folder, const NativePath& name)
{
    if (!folder.empty() && folder.back() == fs::path::preferred_separator)
        return folder + name;
    return folder + fs::path::preferred_separator + name;
}
