#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A path as the file system spells it: the bytes of the name, undecoded.
using NativePath = std::filesystem::path::string_type;

// Identity of a folder on disk, so that a walk can tell a folder it is already in.
struct FolderId {
    std::uintmax_t device = 0;
    std::uintmax_t inode = 0;
    bool operator==(const FolderId&) const = default;
};

// One folder's content: the names of its subfolders (links to folders
// included) and of its files, each in name order so that walks repeat exactly.
struct FolderListing {
    FolderId id;
    std::vector<NativePath> subfolders;
    std::vector<NativePath> files;
};

// Lists a folder; nothing when it does not exist or cannot be read.
std::optional<FolderListing> GetFolder(const NativePath& folder);

// folder + separator + name, with no separator added when folder already ends in one.
NativePath joinPath(const NativePath& folder, const NativePath& name);
