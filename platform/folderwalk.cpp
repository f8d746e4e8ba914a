#include "platform/folderwalk.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

// A folder of the walk. All of them stay until the readers are gone, so that
// none is freed under a reader's hands.
struct Folder {
    Folder(NativePath p, const Folder* up) : path(std::move(p)), parent(up) {}

    NativePath path;
    const Folder* parent;
    // Set by the thread that reads the folder, before `read` is.
    FolderId id;
    bool entered = false;
    std::vector<NativePath> files;
    std::vector<std::unique_ptr<Folder>> subfolders;
    bool taken = false; // by a thread that reads it; guarded by the walk's mutex
    std::atomic<bool> read = false;
};

class Walk
{
public:
    Walk(const FolderReader& read, int threads) : m_read(read)
    {
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this] { work(); });
    }

    ~Walk()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_toRead.notify_all();
    }

    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

    void run(const std::vector<NativePath>& roots, const FileVisitor& visit)
    {
        for (const NativePath& root : roots)
            m_roots.push_back(std::make_unique<Folder>(root, nullptr));
        {
            const std::lock_guard lock(m_mutex);
            for (auto root = m_roots.rbegin(); root != m_roots.rend(); ++root)
                m_todo.push_back(root->get());
        }
        m_toRead.notify_all();
        for (const std::unique_ptr<Folder>& root : m_roots)
            visitTree(*root, visit);
    }

private:
    // Folders read and not yet visited, at most: the readers wait for the
    // visits rather than fill the memory with names.
    static constexpr int readAhead = 256;

    void visitTree(Folder& folder, const FileVisitor& visit)
    {
        // The readers may be waiting for the visits: rather than wait for a
        // folder that none of them has taken, read it here.
        if (!folder.read.load(std::memory_order_acquire) && take(folder))
            readAndShare(folder);
        folder.read.wait(false, std::memory_order_acquire);
        for (const std::unique_ptr<Folder>& sub : folder.subfolders)
            visitTree(*sub, visit);
        if (folder.entered)
            visit(folder.path, folder.files);
        std::vector<NativePath>().swap(folder.files);
        bool wakeReaders = false;
        {
            const std::lock_guard lock(m_mutex);
            // Readers that wait for the visits go on in batches, not one by one.
            wakeReaders = --m_ahead == readAhead / 2;
        }
        if (wakeReaders)
            m_toRead.notify_all();
    }

    // Takes the folder to read it when no reader has taken it yet.
    bool take(Folder& folder)
    {
        const std::lock_guard lock(m_mutex);
        if (folder.taken)
            return false;
        folder.taken = true;
        ++m_ahead;
        return true;
    }

    void work()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_toRead.wait(lock, [&] { return m_stop || (!m_todo.empty() && m_ahead < readAhead); });
            if (m_stop)
                return;
            // Last in, first out: the readers stay close to where the visits are,
            // and a folder's subfolders are read side by side.
            Folder& folder = *m_todo.back();
            m_todo.pop_back();
            if (folder.taken)
                continue;
            folder.taken = true;
            ++m_ahead;
            lock.unlock();
            readAndShare(folder);
            lock.lock();
        }
    }

    void readAndShare(Folder& folder)
    {
        readFolder(folder);
        {
            const std::lock_guard lock(m_mutex);
            for (auto sub = folder.subfolders.rbegin(); sub != folder.subfolders.rend(); ++sub)
                m_todo.push_back(sub->get());
        }
        if (folder.subfolders.size() > 1)
            m_toRead.notify_all();
        folder.read.store(true, std::memory_order_release);
        folder.read.notify_one();
    }

    void readFolder(Folder& folder) const
    {
        std::optional<FolderListing> listing = m_read(folder.path);
        if (!listing)
            return;
        for (const Folder* up = folder.parent; up; up = up->parent)
            if (up->id == listing->stamp.id)
                return;
        folder.id = listing->stamp.id;
        folder.entered = true;
        folder.files = std::move(listing->files);
        folder.subfolders.reserve(listing->subfolders.size());
        for (const NativePath& name : listing->subfolders)
            folder.subfolders.push_back(
                std::make_unique<Folder>(joinPath(folder.path, name), &folder));
    }

    const FolderReader& m_read;
    std::mutex m_mutex;
    std::condition_variable m_toRead;
    std::vector<Folder*> m_todo;
    int m_ahead = 0; // folders taken and not yet visited
    bool m_stop = false;
    std::vector<std::unique_ptr<Folder>> m_roots;
    std::vector<std::jthread> m_threads; // last: joined before the rest goes
};

FolderStamp stampFrom(const struct stat& st)
{
    return {{static_cast<std::uintmax_t>(st.st_dev), static_cast<std::uintmax_t>(st.st_ino)},
            st.st_mtim.tv_sec,
            st.st_mtim.tv_nsec,
            st.st_ctim.tv_sec,
            st.st_ctim.tv_nsec};
}

EntryKind kindFrom(const struct stat& st)
{
    return S_ISDIR(st.st_mode)   ? EntryKind::folder
           : S_ISREG(st.st_mode) ? EntryKind::file
                                 : EntryKind::none;
}

} // namespace

std::optional<FolderListing> GetFolder(const NativePath& folder)
{
    // The directory's raw entries tell each one's type with its name: a folder
    // costs an open, a stat and a few reads, without a stat per entry.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const std::unique_ptr<const int, void (*)(const int*)> closing(
        &fd, [](const int* f) { ::close(*f); });
    struct stat st {
    };
    if (::fstat(fd, &st) != 0)
        return std::nullopt;
    FolderListing listing;
    listing.stamp = stampFrom(st);
    alignas(dirent64) char entries[32 * 1024];
    for (ssize_t size; (size = ::getdents64(fd, entries, sizeof entries)) > 0;) {
        for (ssize_t at = 0; at < size;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
            at += entry->d_reclen;
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            EntryKind kind = entry->d_type == DT_DIR   ? EntryKind::folder
                             : entry->d_type == DT_REG ? EntryKind::file
                                                       : EntryKind::none;
            // Links count as what they point to, and a dangling link as neither;
            // some file systems do not tell the type at all.
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                struct stat target {
                };
                kind = ::fstatat(fd, entry->d_name, &target, 0) == 0 ? kindFrom(target)
                                                                     : EntryKind::none;
                listing.lookedUp.push_back({NativePath(name), kind});
            }
            if (kind == EntryKind::folder)
                listing.subfolders.emplace_back(name);
            else if (kind == EntryKind::file)
                listing.files.emplace_back(name);
        }
    }
    std::sort(listing.subfolders.begin(), listing.subfolders.end());
    std::sort(listing.files.begin(), listing.files.end());
    return listing;
}

std::optional<FolderStamp> stampOf(const NativePath& folder)
{
    struct stat st {
    };
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return stampFrom(st);
}

EntryKind kindOf(const NativePath& folder, const NativePath& name)
{
    struct stat st {
    };
    return ::stat(joinPath(folder, name).c_str(), &st) == 0 ? kindFrom(st) : EntryKind::none;
}

NativePath joinPath(const NativePath& folder, const NativePath& name)
{
    if (!folder.empty() && folder.back() == fs::path::preferred_separator)
        return folder + name;
    return folder + fs::path::preferred_separator + name;
}

void walkFolders(const std::vector<NativePath>& roots, const FileVisitor& visit,
                 const FolderReader& read, int threads)
{
    Walk(read, threads).run(roots, visit);
}
