#include "core/dateischreiben.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace
{

bool allesSchreiben(int fd, const char* p, qint64 n, int& fehler)
{
    while (n > 0) {
        const ssize_t k = ::write(fd, p, static_cast<size_t>(n));
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0) {
            fehler = k < 0 ? errno : EIO;
            return false;
        }
        p += k;
        n -= k;
    }
    return true;
}

// The temporary file as a device for a writer that streams.
class Geraet final : public QIODevice
{
public:
    explicit Geraet(int fd) : m_fd(fd) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    int fehler() const { return m_fehler; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* daten, qint64 n) override
    {
        return allesSchreiben(m_fd, daten, n, m_fehler) ? n : -1;
    }

private:
    int m_fd;
    int m_fehler = 0;
};

class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    // Closes now, for a close whose result counts.
    bool schliessen() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

bool scheitern(Schreibfehler& f, Schreibfehler::Art art, int fehler = 0)
{
    f = {art, fehler};
    return false;
}

QByteArray ordnerVon(const QByteArray& pfad)
{
    const qsizetype schraeg = pfad.lastIndexOf('/');
    return schraeg < 0 ? QByteArray(".") : schraeg == 0 ? QByteArray("/") : pfad.left(schraeg);
}

// The path whose file the data replaces: a link leads on to its target only
// when the user owns it. The kernel's rule for links in shared folders is
// off on many machines, and a link planted there would let another user
// pick which of this user's files is overwritten.
std::optional<QByteArray> ziel(QByteArray pfad, Schreibfehler& f)
{
    for (int schritte = 0; schritte < 40; ++schritte) {
        struct stat st;
        if (::lstat(pfad.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return pfad;
        if (st.st_uid != ::geteuid()) {
            scheitern(f, Schreibfehler::fremderVerweis);
            return std::nullopt;
        }
        char verweis[PATH_MAX];
        const ssize_t n = ::readlink(pfad.constData(), verweis, sizeof verweis);
        if (n < 0 || n == static_cast<ssize_t>(sizeof verweis)) {
            scheitern(f, Schreibfehler::aufruf, n < 0 ? errno : ENAMETOOLONG);
            return std::nullopt;
        }
        const QByteArray weiter(verweis, n);
        pfad = weiter.startsWith('/') ? weiter : ordnerVon(pfad) + '/' + weiter;
    }
    scheitern(f, Schreibfehler::aufruf, ELOOP);
    return std::nullopt;
}

// A name beside the file that nobody can have guessed before.
QByteArray tempName(const QByteArray& name)
{
    static constexpr char zeichen[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray t = '.' + name + ".tl-";
    for (int i = 0; i < 6; ++i)
        t += zeichen[QRandomGenerator::global()->bounded(int(sizeof zeichen - 1))];
    return t;
}

// An unnamed file in the folder gets its name only once it is whole, so
// that a kill at any moment leaves no half file behind; a file system
// without unnamed files gets a named one.
int tempOeffnen(int ordner, mode_t modus, QByteArray& name, const QByteArray& fuer)
{
    static const bool procDa = ::access("/proc/self/fd", X_OK) == 0;
    if (procDa) {
        const int fd = ::openat(ordner, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, modus);
        if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
            return fd;
    }
    for (int versuch = 0; versuch < 100; ++versuch) {
        name = tempName(fuer);
        const int fd = ::openat(ordner, name.constData(),
                                O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, modus);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool inhaltSchreiben(int fd, const std::function<bool(QIODevice&)>& schreiben, Schreibfehler& f)
{
    Geraet geraet(fd);
    if (!schreiben(geraet))
        return scheitern(f, Schreibfehler::aufruf, geraet.fehler() ? geraet.fehler() : EIO);
    if (::fdatasync(fd) != 0)
        return scheitern(f, Schreibfehler::aufruf, errno);
    return true;
}

// For a folder that takes no new file: the file itself is overwritten, when
// it is a regular file, with its room taken first, so that a full disk
// stops the write before it touched a byte.
bool anOrtUndStelle(const QByteArray& pfad, const std::function<bool(QIODevice&)>& schreiben,
                    Schreibfehler& f)
{
    // Opening a device may already do something; the look before keeps to
    // files, the one after makes sure of what was opened.
    struct stat st;
    if (::stat(pfad.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return scheitern(f, Schreibfehler::keineDatei);
    Fd fd(::open(pfad.constData(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0)
        return scheitern(f, errno == ENXIO ? Schreibfehler::keineDatei : Schreibfehler::aufruf,
                         errno);
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return scheitern(f, Schreibfehler::keineDatei);
    QByteArray inhalt;
    {
        QBuffer puffer(&inhalt);
        puffer.open(QIODevice::WriteOnly);
        if (!schreiben(puffer))
            return scheitern(f, Schreibfehler::aufruf, EIO);
    }
    if (inhalt.size() > st.st_size &&
        ::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, inhalt.size()) != 0 && errno != EOPNOTSUPP)
        return scheitern(f, Schreibfehler::aufruf, errno);
    int fehler = 0;
    if (!allesSchreiben(fd.get(), inhalt.constData(), inhalt.size(), fehler))
        return scheitern(f, Schreibfehler::aufruf, fehler);
    if (::ftruncate(fd.get(), inhalt.size()) != 0 || ::fdatasync(fd.get()) != 0 || !fd.schliessen())
        return scheitern(f, Schreibfehler::aufruf, errno);
    return true;
}

} // namespace

bool dateiErsetzen(const QString& pfad, Dateiart art,
                   const std::function<bool(QIODevice&)>& schreiben, Schreibfehler* fehler)
{
    Schreibfehler ersatz;
    Schreibfehler& f = fehler ? *fehler : ersatz;
    f = {};
    const bool daten = art == Dateiart::Daten;
    QByteArray wohin = QFile::encodeName(pfad);
    if (daten) {
        const std::optional<QByteArray> z = ziel(wohin, f);
        if (!z)
            return false;
        wohin = *z;
    }
    const qsizetype schraeg = wohin.lastIndexOf('/');
    const QByteArray name = wohin.mid(schraeg + 1);
    Fd ordner(::open(ordnerVon(wohin).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (ordner.get() < 0)
        return scheitern(f, Schreibfehler::aufruf, errno);

    // A data file keeps its mode; the cache stays the user's alone.
    struct stat alt;
    const bool altDa = ::fstatat(ordner.get(), name.constData(), &alt, AT_SYMLINK_NOFOLLOW) == 0;
    QByteArray temp;
    Fd fd(tempOeffnen(ordner.get(), daten && !altDa ? 0666 : 0600, temp, name));
    if (fd.get() < 0) {
        if (daten && (errno == EACCES || errno == EPERM))
            return anOrtUndStelle(wohin, schreiben, f);
        return scheitern(f, Schreibfehler::aufruf, errno);
    }
    const auto wegraeumen = [&] {
        if (!temp.isEmpty())
            ::unlinkat(ordner.get(), temp.constData(), 0);
    };
    if (daten && altDa && S_ISREG(alt.st_mode) && ::fchmod(fd.get(), alt.st_mode & 07777) != 0)
        scheitern(f, Schreibfehler::aufruf, errno);
    if (f.art != Schreibfehler::keiner || !inhaltSchreiben(fd.get(), schreiben, f)) {
        wegraeumen();
        return false;
    }
    if (temp.isEmpty()) {
        const QByteArray offen = "/proc/self/fd/" + QByteArray::number(fd.get());
        for (int versuch = 0; temp.isEmpty() && versuch < 100; ++versuch) {
            const QByteArray kandidat = tempName(name);
            if (::linkat(AT_FDCWD, offen.constData(), ordner.get(), kandidat.constData(),
                         AT_SYMLINK_FOLLOW) == 0)
                temp = kandidat;
            else if (errno != EEXIST)
                return scheitern(f, Schreibfehler::aufruf, errno);
        }
    }
    if (!fd.schliessen()) {
        const int e = errno;
        wegraeumen();
        return scheitern(f, Schreibfehler::aufruf, e);
    }
    if (::renameat(ordner.get(), temp.constData(), ordner.get(), name.constData()) != 0) {
        const int e = errno;
        wegraeumen();
        return scheitern(f, Schreibfehler::aufruf, e);
    }
    return true;
}

bool dateiErsetzen(const QString& pfad, Dateiart art, QByteArrayView bytes, Schreibfehler* fehler)
{
    return dateiErsetzen(
        pfad, art,
        [bytes](QIODevice& d) { return d.write(bytes.data(), bytes.size()) == bytes.size(); },
        fehler);
}

bool zumLesenOeffnen(QFile& datei)
{
    const int fd = ::open(QFile::encodeName(datei.fileName()).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st;
    if (fd < 0)
        return false;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !datei.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}
