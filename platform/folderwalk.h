#pragma once

#include <filesystem>
#include <functional>
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

using FolderReader = std::function<std::optional<FolderListing>(const NativePath&)>;
using FileVisitor = std::function<void(const NativePath& folder, std::vector<NativePath>& files)>;

// Walks each root with all its subfolders and hands every folder's files to
// visit, on the calling thread, in the order of a walk that reads one folder
// after another: a folder's subfolders in name order, each with everything
// below it, then the folder's own files. Meanwhile `threads` threads read
// folders ahead, so that several reads wait on the disk at once: eight keep a
// disk busy and cost next to nothing when the folders are cached. A folder that
// is already on the way down to it (a link back up) is not entered again; one
// that cannot be read is left out.
void walkFolders(const std::vector<NativePath>& roots, const FileVisitor& visit,
                 const FolderReader& read = GetFolder, int threads = 8);

// folder + separator + name, with no separator added when folder already ends in one.
NativePath joinPath(const NativePath& folder, const NativePath& name);
