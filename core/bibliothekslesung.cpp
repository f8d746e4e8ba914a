#include "core/bibliothekslesung.h"

#include "core/dateischreiben.h"
#include "core/sortierung.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>
#include <charconv>
#include <ctime>
#include <mutex>
#include <numeric>
#include <string_view>
#include <unordered_set>

bool EndungPasst(const NativePath& name)
{
    static constexpr std::string_view endings[] = {"avi", "mp3", "wav", "wma", "mpg", "mid"};
    if (name.size() < 4 || name[name.size() - 4] != '.')
        return false;
    const auto tail = name.substr(name.size() - 3);
    return std::any_of(std::begin(endings), std::end(endings), [&](std::string_view e) {
        return std::equal(tail.begin(), tail.end(), e.begin(), e.end(), [](char a, char b) {
            return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b;
        });
    });
}

namespace
{

// The files of a folder that an earlier read took, as the folder lists them.
std::vector<NativePath> dateienVon(const Lesung& l, const GelesenerOrdner& o)
{
    std::vector<NativePath> dateien;
    dateien.reserve(o.anzahl);
    for (qsizetype N = o.erster; N < qsizetype{o.erster} + o.anzahl; ++N) {
        const Ort ort = l.orte[static_cast<size_t>(N)];
        if (ort.name == Ort::imText)
            dateien.push_back(QFile::encodeName(nameIn(l.text(N)).toString()).toStdString());
        else
            dateien.emplace_back(l.ordner[ort.ordner].namen.c_str() + ort.name);
    }
    return dateien;
}

// Whether a folder's times may be trusted: a change in the same tick of the
// clock as the listing before it would leave them as they were.
bool vorDemBeginn(const FolderStamp& stamp, const Lesung& l)
{
    return std::pair(stamp.ctime, stamp.ctimeNs) < std::pair(l.beginn, l.beginnNs) &&
           std::pair(stamp.mtime, stamp.mtimeNs) < std::pair(l.beginn, l.beginnNs);
}

} // namespace

// The files of one folder that pass the extension rule, as entries of the
// library from its entry `erstesN` on.
void ShowFileList(Lesung& l, qsizetype erstesN, const NativePath& folderspec,
                  const std::vector<NativePath>& files, bool AlleDateien)
{
    Eintragsordner ordner{folderspec, {}};
    const size_t vorher = l.orte.size();
    // Each name on its own, and a leading byte-order mark kept: the path is
    // spelt again from the text.
    QStringDecoder decode(QStringDecoder::System, QStringDecoder::Flag::Stateless |
                                                      QStringDecoder::Flag::ConvertInitialBom);
    for (const NativePath& file : files) {
        if (!AlleDateien && !EndungPasst(file))
            continue;
        const QByteArrayView bytes(file.data(), static_cast<qsizetype>(file.size()));
        QVarLengthArray<QChar, 256> name(decode.requiredSpace(bytes.size()));
        const QChar* const nameEnde = decode.appendToBuffer(name.data(), bytes);
        char N[24];
        const char* const ende =
            std::to_chars(N, std::end(N), erstesN + static_cast<qsizetype>(l.enden.size())).ptr;
        l.texte.append(QStringView(name.data(), nameEnde));
        l.texte.append(QLatin1StringView("   #"));
        l.texte.append(QLatin1StringView(N, ende));
        l.texte.append(u'#');
        l.enden.push_back(l.texte.size());
        Ort ort{static_cast<std::uint32_t>(l.ordner.size()), Ort::imText};
        if (decode.hasError()) {
            decode.resetState();
            ort.name = static_cast<std::uint32_t>(ordner.namen.size());
            ordner.namen += file;
            ordner.namen += '\0';
        }
        l.orte.push_back(ort);
    }
    if (l.orte.size() > vorher)
        l.ordner.push_back(std::move(ordner));
}

// The name of entry N as its text spells it: all before its "   #N#".
QStringView nameIn(QStringView text)
{
    return text.first(text.lastIndexOf(u'#', text.size() - 2) - 3);
}

void Bibliothekslesung::setIndex(const QString& datei, IndexSchluessel schluessel)
{
    m_indexDatei = datei;
    m_schluessel = std::move(schluessel);
}

void Bibliothekslesung::einlesen(const std::vector<NativePath>& folderspecs, bool AlleDateien,
                                 std::stop_token halt)
{
    m_halt = std::move(halt);
    timespec beginn{};
    // The clock that stamps the folders' times: a change after this moment
    // gives a folder a time no earlier than it.
    ::clock_gettime(CLOCK_REALTIME_COARSE, &beginn);
    std::optional<Lesung> alt;
    if (!m_indexDatei.isEmpty()) {
        QFile datei(m_indexDatei);
        if (zumLesenOeffnen(datei))
            alt = indexLesen(datei, m_schluessel);
    }
    std::vector<char> gueltig;
    if (alt) {
        gueltig = unveraendert(*alt);
        if (std::all_of(gueltig.begin(), gueltig.end(), [](char g) { return g; })) {
            m_lesung = std::move(*alt);
            verzeichnen();
            // The index stays as it is: what only its next write needs goes.
            std::vector<GelesenerOrdner>().swap(m_lesung.gelesen);
            m_ordnerGelesen = 0;
            m_gefunden.store(static_cast<int>(m_lesung.anzahl()), std::memory_order_relaxed);
            return;
        }
    }
    m_lesung = {};
    m_lesung.beginn = beginn.tv_sec;
    m_lesung.beginnNs = beginn.tv_nsec;
    m_indexVeraltet = !m_indexDatei.isEmpty();
    ShowFolderList(folderspecs, AlleDateien, alt ? &*alt : nullptr, gueltig);
    // What an abandoned read found is no library to keep for the next start.
    if (m_halt.stop_requested()) {
        m_indexVeraltet = false;
        return;
    }
    m_lesung.texte.squeeze();
    verzeichnen();
}

void Bibliothekslesung::verzeichnen()
{
    m_ordnerNachPfad.clear();
    m_ordnerNachId.clear();
    m_ordnerNachPfad.reserve(m_lesung.ordner.size());
    for (size_t i = 0; i < m_lesung.ordner.size(); ++i)
        m_ordnerNachPfad.try_emplace(m_lesung.ordner[i].pfad, static_cast<std::uint32_t>(i));
    for (const GelesenerOrdner& o : m_lesung.gelesen) {
        const auto ordner = m_ordnerNachPfad.find(o.pfad);
        if (!o.gelesen || ordner == m_ordnerNachPfad.end())
            continue;
        // A folder reached by two paths is found by the first that has entries.
        const auto [stelle, neu] = m_ordnerNachId.try_emplace(o.stamp.id, ordner->second);
        if (!neu)
            stelle->second = std::min(stelle->second, ordner->second);
    }
}

std::vector<char> Bibliothekslesung::unveraendert(const Lesung& alt) const
{
    std::vector<char> gueltig(alt.gelesen.size());
    const auto pruefen = [&](const GelesenerOrdner& o) {
        // One that could not be read counts as unchanged while it still cannot.
        if (!o.gelesen)
            return !m_leser(o.pfad);
        if (!vorDemBeginn(o.stamp, alt))
            return false;
        const std::optional<FolderStamp> stamp = stampOf(o.pfad);
        return stamp && *stamp == o.stamp &&
               std::all_of(o.nachgesehen.begin(), o.nachgesehen.end(), [&](const LookedUpEntry& e) {
                   return kindOf(o.pfad, e.name) == e.kind;
               });
    };
    // Several at once, so that more than one look waits on the disk.
    constexpr size_t stueck = 64;
    std::atomic<size_t> naechstes = 0;
    const auto arbeit = [&] {
        for (size_t i; (i = naechstes.fetch_add(stueck)) < gueltig.size();)
            for (size_t j = i; j < std::min(i + stueck, gueltig.size()); ++j)
                gueltig[j] = pruefen(alt.gelesen[j]);
    };
    {
        std::vector<std::jthread> helfer;
        for (int i = 0; i < 7 && size_t(i) * stueck < gueltig.size(); ++i)
            helfer.emplace_back(arbeit);
        arbeit();
    }
    return gueltig;
}

void Bibliothekslesung::ShowFolderList(const std::vector<NativePath>& folderspecs, bool AlleDateien,
                                       const Lesung* alt, const std::vector<char>& gueltig)
{
    // The folders of an earlier read that still hold what they held then
    // give their listing from it, and the walk runs as it would on disk.
    std::unordered_map<std::string_view, const GelesenerOrdner*> bekannt;
    for (size_t i = 0; i < gueltig.size(); ++i)
        if (gueltig[i] && alt->gelesen[i].betreten)
            bekannt.try_emplace(alt->gelesen[i].pfad, &alt->gelesen[i]);
    std::mutex mutex;
    std::vector<GelesenerOrdner> gelesen;
    const FolderReader lesen = [&](const NativePath& pfad) {
        std::optional<FolderListing> listing;
        // An abandoned read reads no folder more, and the walk runs out.
        if (m_halt.stop_requested())
            return listing;
        const auto b = bekannt.find(pfad);
        if (b != bekannt.end())
            listing = FolderListing{b->second->stamp, b->second->unterordner,
                                    dateienVon(*alt, *b->second), b->second->nachgesehen};
        else
            listing = m_leser(pfad);
        GelesenerOrdner o{pfad, listing.has_value(), false, {}, {}, {}, 0, 0};
        if (listing) {
            o.stamp = listing->stamp;
            o.unterordner = listing->subfolders;
            o.nachgesehen = listing->lookedUp;
        }
        const std::lock_guard lock(mutex);
        m_ordnerGelesen += b == bekannt.end();
        gelesen.push_back(std::move(o));
        return listing;
    };
    m_ordnerGelesen = 0;
    // The entries of the earlier read that a folder from it brings again, by
    // their new numbers; a folder visited twice brings them once.
    std::vector<int> neuVonAlt(alt ? static_cast<size_t>(alt->anzahl()) : 0, -1);
    // A folder is visited when its files were looked at; a link back up is not.
    std::unordered_map<NativePath, std::pair<std::uint32_t, std::uint32_t>> besucht;
    // A folder that is missing, unreadable or vanished is left out quietly.
    walkFolders(
        folderspecs,
        [&](const NativePath& folderspec, std::vector<NativePath>& files) {
            const auto vorher = static_cast<std::uint32_t>(m_lesung.anzahl());
            ShowFileList(m_lesung, 0, folderspec, files, AlleDateien);
            const auto anzahl = static_cast<std::uint32_t>(m_lesung.anzahl());
            besucht.try_emplace(folderspec, vorher, anzahl - vorher);
            if (const auto b = bekannt.find(folderspec);
                b != bekannt.end() && b->second->anzahl == anzahl - vorher &&
                (anzahl == vorher || neuVonAlt[b->second->erster] < 0))
                std::iota(neuVonAlt.begin() + b->second->erster,
                          neuVonAlt.begin() + b->second->erster + b->second->anzahl,
                          static_cast<int>(vorher));
            m_gefunden.store(static_cast<int>(anzahl), std::memory_order_relaxed);
        },
        lesen);
    m_behalten.clear();
    if (alt && alt->nummern.size() == neuVonAlt.size())
        for (const int N : alt->nummern)
            if (neuVonAlt[static_cast<size_t>(N)] >= 0)
                m_behalten.push_back(neuVonAlt[static_cast<size_t>(N)]);
    // A folder named twice is listed once.
    std::unordered_set<std::string_view> schon;
    m_lesung.gelesen.reserve(gelesen.size());
    for (GelesenerOrdner& o : gelesen) {
        if (schon.contains(o.pfad))
            continue;
        if (const auto b = besucht.find(o.pfad); b != besucht.end()) {
            o.betreten = true;
            o.erster = b->second.first;
            o.anzahl = b->second.second;
        }
        m_lesung.gelesen.push_back(std::move(o));
        schon.insert(m_lesung.gelesen.back().pfad);
    }
}

std::vector<int> Bibliothekslesung::sortiert()
{
    const qsizetype n = m_lesung.anzahl();
    // An index from an unchanged tree brings its sorted order along; one from
    // a changed tree the order of the entries that it still holds.
    if (m_lesung.nummern.size() != static_cast<size_t>(n)) {
        QStringList texte;
        texte.reserve(n);
        for (qsizetype N = 0; N < n; ++N)
            texte.append(QString::fromRawData(m_lesung.text(N).data(), m_lesung.text(N).size()));
        m_lesung.nummern =
            m_behalten.empty() ? sortedForDisplay(texte) : mergedForDisplay(texte, m_behalten);
        std::vector<int>().swap(m_behalten);
    }
    return std::move(m_lesung.nummern);
}

void Bibliothekslesung::indexSpeichern(std::vector<int> nummern)
{
    if (!m_indexVeraltet)
        return;
    m_indexVeraltet = false;
    // The order as it is now: files opened meanwhile change the list's, not the read.
    m_schreiber = std::jthread([this, nummern = std::move(nummern)]() mutable {
        std::erase_if(nummern, [n = m_lesung.anzahl()](int N) { return N >= n; });
        const QFileInfo ziel(m_indexDatei);
        if (!QDir().mkpath(ziel.path()) ||
            !dateiErsetzen(m_indexDatei, Dateiart::Cache, [&](QIODevice& datei) {
                return ::indexSchreiben(datei, m_schluessel, m_lesung, nummern);
            }))
            return;
        // Those of the same data folder for other source folders or rules go.
        const QString eigener = ziel.fileName();
        const QDir ordner = ziel.dir();
        const QString muster = eigener.left(eigener.lastIndexOf(u'-') + 1) + u'*';
        for (const QString& anderer : ordner.entryList({muster}, QDir::Files))
            if (anderer != eigener)
                QFile::remove(ordner.filePath(anderer));
    });
}

int Bibliothekslesung::nummerIn(std::uint32_t ordner, const NativePath& name) const
{
    const std::vector<Ort>& orte = m_lesung.orte;
    const auto von = std::partition_point(orte.begin(), orte.end(),
                                          [&](const Ort& o) { return o.ordner < ordner; });
    const auto bis =
        std::partition_point(von, orte.end(), [&](const Ort& o) { return o.ordner == ordner; });
    // A name that is UTF-8 is spelt by its entry's text, any other by its bytes.
    QStringDecoder decode(QStringDecoder::System, QStringDecoder::Flag::Stateless |
                                                      QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decode(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
    const bool utf8 = !decode.hasError();
    for (auto ort = von; ort != bis; ++ort) {
        const qsizetype N = ort - m_lesung.orte.begin();
        if (ort->name == Ort::imText ? utf8 && nameIn(m_lesung.text(N)) == text
                                     : !utf8 && m_lesung.ordner[ordner].namen.c_str() + ort->name ==
                                                    std::string_view(name))
            return static_cast<int>(N);
    }
    return -1;
}

int Bibliothekslesung::nummerVon(const NativePath& pfad,
                                 const std::optional<FolderId>& ordner) const
{
    const size_t schnitt = pfad.rfind('/');
    if (schnitt == NativePath::npos)
        return -1;
    const NativePath name = pfad.substr(schnitt + 1);
    // The folder as the walk spelt it, which ends in the separator only when
    // it was named so.
    for (const size_t laenge : {schnitt, schnitt + 1}) {
        const auto o = m_ordnerNachPfad.find(std::string_view(pfad).substr(0, laenge));
        if (o != m_ordnerNachPfad.end())
            if (const int N = nummerIn(o->second, name); N >= 0)
                return N;
    }
    const auto o = ordner ? m_ordnerNachId.find(*ordner) : m_ordnerNachId.end();
    return o == m_ordnerNachId.end() ? -1 : nummerIn(o->second, name);
}
