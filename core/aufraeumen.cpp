#include "core/aufraeumen.h"

#include "core/dateischreiben.h"
#include "core/linestore.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QSet>
#include <cerrno>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace
{

constexpr time_t frist = 30 * 24 * 3600;
// A cache file being written by another player is younger than this.
constexpr time_t tempFrist = 3600;
constexpr qint64 laengsterPfad = 4096;

// A folder that cannot be looked at for another reason (a drive that does
// not answer, a folder without permission) counts as there.
bool ordnerWeg(const QByteArray& ordner)
{
    struct stat st;
    if (::stat(ordner.constData(), &st) == 0)
        return !S_ISDIR(st.st_mode);
    return errno == ENOENT || errno == ENOTDIR;
}

QByteArray anfangLesen(const QString& pfad)
{
    QFile datei(pfad);
    return zumLesenOeffnen(datei) ? datei.read(laengsterPfad + 1) : QByteArray();
}

void entfernen(const QString& pfad)
{
    ::unlink(QFile::encodeName(pfad).constData());
}

} // namespace

void beimStartAufraeumen(const QString& indexDatei, const QString& datenordner)
{
    // Only this player writes its data files now.
    const QDir daten(datenordner);
    for (const QString& datei : {EinstellungenDatei, QuellpfadDatei, WartelisteDatei})
        for (const QString& rest : daten.entryList({u'.' + datei + QStringLiteral(".tl-??????")},
                                                   QDir::Files | QDir::Hidden | QDir::System))
            entfernen(daten.filePath(rest));

    if (indexDatei.isEmpty())
        return;
    const QFileInfo index(indexDatei);
    const QDir cache = index.dir();
    const QString eigenerName = index.fileName();
    const QString eigeneMarke = eigenerName.left(eigenerName.lastIndexOf(u'-')) + u".ordner";
    const QByteArray ordner = QFile::encodeName(daten.absolutePath());
    {
        QFile marke(cache.filePath(eigeneMarke));
        if (!zumLesenOeffnen(marke) || marke.read(laengsterPfad + 1) != ordner ||
            ::futimens(marke.handle(), nullptr) != 0) {
            marke.close();
            if (QDir().mkpath(cache.path()))
                dateiErsetzen(marke.fileName(), Dateiart::Cache, ordner);
        }
    }

    const time_t jetzt = ::time(nullptr);
    QSet<QString> markiert, ueberholt;
    QList<std::pair<QString, bool>> indexe; // with whether it is old
    for (const QString& name :
         cache.entryList({QStringLiteral("bibliothek-*"), QStringLiteral(".bibliothek-*")},
                         QDir::AllEntries | QDir::Hidden | QDir::System)) {
        const QString pfad = cache.filePath(name);
        struct stat st;
        if (::lstat(QFile::encodeName(pfad).constData(), &st) != 0)
            continue;
        const bool alt = st.st_mtime < jetzt - frist;
        if (name.startsWith(u'.')) {
            if (st.st_mtime < jetzt - tempFrist)
                entfernen(pfad);
        } else if (name.endsWith(u".ordner")) {
            const QString schluessel = name.chopped(7);
            markiert.insert(schluessel);
            const QByteArray ordnerDort = anfangLesen(pfad);
            if (alt || ordnerDort.size() > laengsterPfad || ordnerWeg(ordnerDort)) {
                ueberholt.insert(schluessel);
                entfernen(pfad);
            }
        } else {
            indexe.append({name, alt});
        }
    }
    // An index without a mark is from before the marks, or from a start that
    // is writing its mark right now: only its own age counts.
    for (const auto& [name, alt] : std::as_const(indexe)) {
        const QString schluessel = name.left(name.lastIndexOf(u'-'));
        if (ueberholt.contains(schluessel) || (!markiert.contains(schluessel) && alt))
            entfernen(cache.filePath(name));
    }
}
