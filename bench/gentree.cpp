// Writes a synthetic music library of empty files for the library benchmark:
// artist and album folders, names with umlauts, blanks and the odd "#",
// extensions in mixed letter case and a few files that are no media at all.
//
//   gentree ROOT [COUNT]   (COUNT files, 100000 when left out)
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr std::string_view firstNames[] = {
    "Jörg",  "Änne",   "Sören", "Lotte", "Käthe", "Jürgen",    "Bärbel",  "Ömer",
    "Grete", "Max",    "Ute",   "Björn", "Heinz", "Gisela",    "Rüdiger", "Maren",
    "Elfi",  "Günter", "Dörte", "Till",  "Uwe",   "Hannelore", "Rosi",    "Fritz"};
constexpr std::string_view lastNames[] = {
    "Müller", "Weißhaupt", "Schröder",   "Köhler", "Brückner", "Fuß",    "Sonnenberg", "Groß",
    "Bäcker", "Lübke",     "Schäfer",    "Wagner", "Krüger",   "Hölzl",  "Straßer",    "Vogt",
    "Ahrens", "Dürr",      "Zimmermann", "Löwe",   "Jäger",    "Bräuer", "Kuhn",       "Öztürk"};
constexpr std::string_view words[] = {
    "Grüße",  "aus",      "Köln",   "Mädchen", "Straße",    "Überall", "Frühling", "Nacht",
    "Sommer", "Blümchen", "Schöne", "Tage",    "Fußweg",    "Hände",   "Tanz",     "für",
    "Liebe",  "Zuhause",  "am",     "See",     "Regen",     "Lied",    "Träume",   "über",
    "Berge",  "Morgen",   "Wälder", "Mond",    "Ständchen", "Heimweh", "Glück",    "Feuer"};
// Weighted by how often they turn up in a real collection.
constexpr std::string_view extensions[] = {
    "mp3", "mp3", "mp3", "mp3", "mp3", "mp3", "mp3", "mp3", "mp3", "mp3", "mp3", "mp3", "mp3",
    "mp3", "mp3", "mp3", "MP3", "MP3", "MP3", "Mp3", "wma", "wma", "wma", "WMA", "wav", "wav",
    "Wav", "WAV", "mid", "MID", "mpg", "Mpg", "avi", "AVI", "jpg", "txt", "m3u"};

class Tree
{
public:
    Tree(std::string root, long count) : m_path(std::move(root)), m_left(count) {}

    bool write()
    {
        if (!makeFolder())
            return false;
        for (long artist = 0; m_left > 0; ++artist)
            if (!writeArtist(artist))
                return false;
        return true;
    }

    long folders() const { return m_folders; }

private:
    unsigned roll(unsigned n) { return m_random() % n; }

    std::string title()
    {
        std::string t;
        const unsigned n = 1 + roll(4);
        for (unsigned i = 0; i < n; ++i) {
            if (i > 0)
                t += ' ';
            t += words[roll(std::size(words))];
        }
        if (roll(20) == 0)
            t += roll(2) == 0 ? " #" + std::to_string(1 + roll(9)) : " (Teil #2)";
        return t;
    }

    bool writeArtist(long artist)
    {
        const long combos = long(std::size(firstNames) * std::size(lastNames));
        std::string name = std::string(firstNames[size_t(artist % long(std::size(firstNames)))]) +
                           ' ' +
                           std::string(lastNames[size_t(artist / long(std::size(firstNames)) %
                                                        long(std::size(lastNames)))]);
        if (artist >= combos)
            name += ' ' + std::to_string(artist / combos + 1);
        const Scope scope(m_path, name);
        if (!makeFolder())
            return false;
        for (unsigned album = 0, albums = 1 + roll(8); album < albums && m_left > 0; ++album) {
            const Scope albumScope(m_path, std::to_string(1970 + roll(55)) + " - " + title());
            if (!makeFolder())
                return false;
            for (unsigned track = 1, tracks = 8 + roll(7); track <= tracks && m_left > 0; ++track) {
                char number[4];
                std::snprintf(number, sizeof number, "%02u", track);
                const std::string_view ext = extensions[roll(std::size(extensions))];
                if (!makeFile(std::string(number) + " - " + title() + '.' + std::string(ext)))
                    return false;
            }
        }
        // A few loose files beside the albums.
        if (roll(10) == 0 && m_left > 0 && !makeFile("Liesmich.txt"))
            return false;
        return true;
    }

    // Appends a path component for the lifetime of the scope.
    class Scope
    {
    public:
        Scope(std::string& path, const std::string& name) : m_path(path), m_size(path.size())
        {
            m_path += '/';
            m_path += name;
        }
        ~Scope() { m_path.resize(m_size); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        std::string& m_path;
        size_t m_size;
    };

    bool makeFolder()
    {
        if (::mkdir(m_path.c_str(), 0755) != 0 && errno != EEXIST) {
            std::perror(m_path.c_str());
            return false;
        }
        ++m_folders;
        return true;
    }

    bool makeFile(const std::string& name)
    {
        const Scope scope(m_path, name);
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(m_path.c_str());
            return false;
        }
        ::close(fd);
        --m_left;
        return true;
    }

    std::string m_path;
    long m_left;
    long m_folders = 0;
    std::mt19937 m_random{20240601};
};

} // namespace

int main(int argc, char* argv[])
{
    const std::span<char*> args(argv, size_t(argc));
    long count = 100000;
    bool usable = args.size() == 2 || args.size() == 3;
    if (args.size() == 3) {
        const std::string_view text = args[2];
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
        usable = error == std::errc() && end == text.data() + text.size() && count >= 0;
    }
    if (!usable) {
        std::fprintf(stderr, "usage: gentree ROOT [COUNT]\n");
        return 2;
    }
    Tree tree(args[1], count);
    if (!tree.write())
        return 1;
    std::printf("%ld files in %ld folders\n", count, tree.folders());
    return 0;
}
