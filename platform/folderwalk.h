#pragma once

#include <cstdint>
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
struct FolderIdHash {
    std::size_t operator()(const FolderId& id) const noexcept
    {
        return std::hash<std::uintmax_t>{}(id.inode * 0x9e37'79b9'7f4a'7c15 ^ id.device);
    }
};

// What tells that a folder still holds the names it was listed with: its
// identity and its modification and status-change times. The status-change
// time moves with every change and cannot be set back, unlike the other.
struct FolderStamp {
    FolderId id;
    std::int64_t mtime = 0, mtimeNs = 0, ctime = 0, ctimeNs = 0;
    bool operator==(const FolderStamp&) const = default;
};

enum class EntryKind : std::uint8_t { none, folder, file };

// An entry whose kind was looked up behind a link (or on a file system that
// does not tell it): it can change without a change of the folder's times.
struct LookedUpEntry {
    NativePath name;
    EntryKind kind;
    bool operator==(const LookedUpEntry&) const = default;
};

// One folder's content: the names of its subfolders (links to folders
// included) and of its files, each in name order so that walks repeat exactly.
struct FolderListing {
    FolderStamp stamp;
    std::vector<NativePath> subfolders;
    std::vector<NativePath> files;
    std::vector<LookedUpEntry> lookedUp; // in the order of the folder's entries
};

// Lists a folder; nothing when it does not exist or cannot be read.
std::optional<FolderListing> GetFolder(const NativePath& folder);
// The stamp of a folder, behind links; nothing when it is no folder.
std::optional<FolderStamp> stampOf(const NativePath& folder);
// What an entry of a folder is now, behind links.
EntryKind kindOf(const NativePath& folder, const NativePath& name);

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
