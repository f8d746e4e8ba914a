#include "platform/folderwalk.h"

#include <algorithm>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace
{

std::optional<FolderId> folderIdentity(const NativePath& folder)
{
    struct stat st {
    };
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return FolderId{static_cast<std::uintmax_t>(st.st_dev), static_cast<std::uintmax_t>(st.st_ino)};
}

} // namespace

std::optional<FolderListing> GetFolder(const NativePath& folder)
{
    const std::optional<FolderId> id = folderIdentity(folder);
    if (!id)
        return std::nullopt;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec)
        return std::nullopt;
    FolderListing listing;
    listing.id = *id;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        // is_directory and is_regular_file follow links; a dangling link is neither.
        if (it->is_directory(typeError))
            listing.subfolders.push_back(it->path().filename().native());
        else if (it->is_regular_file(typeError))
            listing.files.push_back(it->path().filename().native());
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
