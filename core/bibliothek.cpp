#include "core/bibliothek.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <charconv>
#include <ctime>
#include <mutex>
#include <numeric>
#include <span>
#include <string_view>
#include <thread>
#include <unordered_map>
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

// Letters that a German reader spells out rather than drops into one.
QString ausgeschrieben(QChar c)
{
    switch (c.unicode()) {
    case u'ß':
        return QStringLiteral("ss");
    case u'æ':
        return QStringLiteral("ae");
    case u'œ':
        return QStringLiteral("oe");
    case u'ø':
        return QStringLiteral("o");
    case u'ð':
        return QStringLiteral("d");
    case u'þ':
        return QStringLiteral("th");
    default:
        return QString(c);
    }
}

QString slowSortKey(const QString& text)
{
    QString key = text.normalized(QString::NormalizationForm_D);
    key.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    key = key.toCaseFolded();
    QString spelt;
    spelt.reserve(key.size());
    for (const QChar c : std::as_const(key))
        spelt += ausgeschrieben(c);
    return spelt;
}

// Names in Latin-1, nearly all of a library, take their key letter by letter
// from a table that the full rule filled, at a fraction of its cost.
void appendSortKey(QStringView text, std::u16string& keys)
{
    struct Letters {
        char16_t first = 0, second = 0; // second is 0 for a single letter
    };
    constexpr char16_t noTableEntry = 0xffff;
    static const std::array<Letters, 256> latin1 = [] {
        std::array<Letters, 256> table{};
        for (char16_t c = 0; c < 256; ++c) {
            const QString key = slowSortKey(QString(QChar(c)));
            if (key.size() == 1)
                table[c] = {key[0].unicode(), 0};
            else if (key.size() == 2)
                table[c] = {key[0].unicode(), key[1].unicode()};
            else
                table[c] = {noTableEntry, 0};
        }
        return table;
    }();
    const size_t start = keys.size();
    for (const QChar c : text) {
        const Letters l = c.unicode() < 256 ? latin1[c.unicode()] : Letters{noTableEntry, 0};
        if (l.first == noTableEntry) {
            keys.resize(start);
            const QString slow = slowSortKey(text.toString());
            keys.append(QStringView(slow).utf16(), static_cast<size_t>(slow.size()));
            return;
        }
        keys += l.first;
        if (l.second)
            keys += l.second;
    }
}

// The display order: by sort key, ties by the text itself.
bool vor(QStringView keyA, const QString& a, QStringView keyB, const QString& b)
{
    if (const int c = keyA.compare(keyB); c != 0)
        return c < 0;
    return a < b;
}

struct Keyed {
    // The key's first eight letters as two numbers that compare as they do:
    // most comparisons end there, without a look into the keys' buffer.
    std::array<std::uint64_t, 2> prefix;
    QStringView key;
    int N;
};

std::array<std::uint64_t, 2> prefixOf(QStringView key)
{
    std::array<std::uint64_t, 2> prefix{};
    for (qsizetype i = 0; i < std::min<qsizetype>(key.size(), 8); ++i)
        prefix[static_cast<size_t>(i / 4)] |= std::uint64_t{key[i].unicode()}
                                              << (48 - 16 * (i % 4));
    return prefix;
}

// Keys the texts of entries `ns` into `keyed` and one buffer that holds the
// keys until the sort is done: a million keys of their own would cost a
// million allocations and more memory than the texts.
void keyEntries(const QStringList& texts, std::span<const int> ns, std::u16string& keys,
                Keyed* keyed)
{
    qsizetype letters = 0;
    for (const int N : ns)
        letters += texts[N].size();
    keys.reserve(static_cast<size_t>(letters + letters / 8));
    std::vector<size_t> starts;
    starts.reserve(ns.size() + 1);
    for (const int N : ns) {
        starts.push_back(keys.size());
        appendSortKey(texts[N], keys);
    }
    starts.push_back(keys.size());
    for (size_t k = 0; k < ns.size(); ++k) {
        const QStringView key(keys.data() + starts[k],
                              static_cast<qsizetype>(starts[k + 1] - starts[k]));
        keyed[k] = {prefixOf(key), key, ns[k]};
    }
}

bool keyedLess(const QStringList& texts, const Keyed& a, const Keyed& b)
{
    if (a.prefix != b.prefix)
        return a.prefix < b.prefix;
    return vor(a.key, texts[a.N], b.key, texts[b.N]);
}

std::vector<int> sortedForDisplay(const QStringList& texts)
{
    const auto less = [&](const Keyed& a, const Keyed& b) { return keyedLess(texts, a, b); };
    // Two halves keyed and sorted side by side, then merged.
    const qsizetype n = texts.size();
    const qsizetype mid = n / 2;
    std::vector<int> ns(static_cast<size_t>(n));
    std::iota(ns.begin(), ns.end(), 0);
    std::vector<Keyed> keyed(static_cast<size_t>(n));
    std::u16string keys[2];
    const auto half = [&](qsizetype from, qsizetype to, std::u16string& buffer) {
        keyEntries(texts, std::span(ns).subspan(from, to - from), buffer, keyed.data() + from);
        std::sort(keyed.begin() + from, keyed.begin() + to, less);
    };
    {
        const std::jthread second([&] { half(mid, n, keys[1]); });
        half(0, mid, keys[0]);
    }
    std::inplace_merge(keyed.begin(), keyed.begin() + mid, keyed.end(), less);
    std::vector<int> order;
    order.reserve(keyed.size());
    for (const Keyed& k : keyed)
        order.push_back(k.N);
    return order;
}

// The display order when most entries come in an order that was sorted
// before (`kept`, by their numbers now): only the others are sorted, and
// merged in while one pass checks that the kept ones are still in order. A
// renumbered entry may now tie the other way with its twin ("#9#" after
// "#10#", then "#10#" before "#11#"): the few such go in one by one after.
std::vector<int> mergedForDisplay(const QStringList& texts, const std::vector<int>& kept)
{
    std::vector<char> isKept(static_cast<size_t>(texts.size()));
    for (const int N : kept)
        isKept[static_cast<size_t>(N)] = 1;
    std::vector<int> added;
    for (int N = 0; N < texts.size(); ++N)
        if (!isKept[static_cast<size_t>(N)])
            added.push_back(N);
    std::vector<Keyed> keyedAdded(added.size());
    std::u16string addedKeys;
    keyEntries(texts, added, addedKeys, keyedAdded.data());
    const auto less = [&](const Keyed& a, const Keyed& b) { return keyedLess(texts, a, b); };
    std::sort(keyedAdded.begin(), keyedAdded.end(), less);

    std::vector<int> order;
    order.reserve(static_cast<size_t>(texts.size()));
    std::vector<int> outOfOrder;
    auto next = keyedAdded.cbegin();
    std::u16string keys[2];
    size_t spare = 0; // the buffer that does not hold the previous key
    Keyed previous{};
    for (size_t k = 0; k < kept.size(); ++k) {
        std::u16string& key = keys[spare];
        key.clear();
        appendSortKey(texts[kept[k]], key);
        const QStringView view(key.data(), static_cast<qsizetype>(key.size()));
        const Keyed current{prefixOf(view), view, kept[k]};
        if (!order.empty() && !less(previous, current)) {
            outOfOrder.push_back(current.N);
            continue;
        }
        for (; next != keyedAdded.cend() && less(*next, current); ++next)
            order.push_back(next->N);
        order.push_back(current.N);
        previous = current;
        spare = 1 - spare;
    }
    for (; next != keyedAdded.cend(); ++next)
        order.push_back(next->N);
    if (outOfOrder.size() > 256)
        return sortedForDisplay(texts);
    const auto keyedOf = [](const QString& text, int N, std::u16string& key) {
        key.clear();
        appendSortKey(text, key);
        const QStringView view(key.data(), static_cast<qsizetype>(key.size()));
        return Keyed{prefixOf(view), view, N};
    };
    for (const int N : outOfOrder) {
        std::u16string key, other;
        const Keyed entry = keyedOf(texts[N], N, key);
        const auto place = std::partition_point(order.begin(), order.end(), [&](int M) {
            return less(keyedOf(texts[M], M, other), entry);
        });
        order.insert(place, N);
    }
    return order;
}

QString ansicht(QStringView text)
{
    return QString::fromRawData(text.data(), text.size());
}

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

QString sortKey(const QString& text)
{
    std::u16string key;
    appendSortKey(text, key);
    return QString::fromStdU16String(key);
}

QStringList Bibliothek::PfadeEinlesen(const QString& quellpfadDatei)
{
    if (!QFileInfo::exists(quellpfadDatei)) {
        const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        if (!music.isEmpty() && QFileInfo(music).isDir())
            return {music};
        return {};
    }
    return teileLesen(Lesen(quellpfadDatei), u';');
}

QString Bibliothek::indexDatei(const QString& datenordner, const QStringList& pfade,
                               bool AlleDateien)
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (cache.isEmpty())
        return {};
    const auto kurz = [](const QByteArray& bytes) {
        return QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(16));
    };
    QByteArray liste;
    for (const QString& pfad : pfade)
        liste += pfad.toUtf8() + '\0';
    liste += AlleDateien ? '1' : '0';
    return cache + u"/bibliothek-" + kurz(QDir(datenordner).absolutePath().toUtf8()) + u'-' +
           kurz(liste);
}

void Bibliothek::AlleDateienAusAllenPfadenEinlesen(const QStringList& pfade, bool AlleDateien,
                                                   const QString& indexDatei)
{
    m_indexDatei = indexDatei;
    m_schluessel = {pfade, AlleDateien};
    std::vector<NativePath> folderspecs;
    for (const QString& pfad : pfade)
        folderspecs.push_back(QFile::encodeName(pfad).toStdString());
    {
        // The walk runs beside this thread, whose event loop keeps windows alive
        // meanwhile. Socket notifiers wait: what comes through them (the files
        // of a later start) would meet a library half read.
        QEventLoop warten;
        const std::jthread walk([&] {
            einlesen(folderspecs, AlleDateien);
            QMetaObject::invokeMethod(&warten, &QEventLoop::quit, Qt::QueuedConnection);
        });
        if (QCoreApplication::instance())
            warten.exec(QEventLoop::ExcludeSocketNotifiers);
    }
}

void Bibliothek::einlesen(const std::vector<NativePath>& folderspecs, bool AlleDateien)
{
    timespec beginn{};
    // The clock that stamps the folders' times: a change after this moment
    // gives a folder a time no earlier than it.
    ::clock_gettime(CLOCK_REALTIME_COARSE, &beginn);
    std::optional<Lesung> alt;
    if (!m_indexDatei.isEmpty()) {
        QFile datei(m_indexDatei);
        if (datei.open(QIODevice::ReadOnly))
            alt = indexLesen(datei, m_schluessel);
    }
    std::vector<char> gueltig;
    if (alt) {
        gueltig = unveraendert(*alt);
        if (std::all_of(gueltig.begin(), gueltig.end(), [](char g) { return g; })) {
            m_lesung = std::move(*alt);
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
    m_lesung.texte.squeeze();
}

std::vector<char> Bibliothek::unveraendert(const Lesung& alt) const
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

void Bibliothek::ShowFolderList(const std::vector<NativePath>& folderspecs, bool AlleDateien,
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

void Bibliothek::indexSpeichern()
{
    if (!m_indexVeraltet)
        return;
    m_indexVeraltet = false;
    m_schreiber = std::jthread([this] {
        const QFileInfo ziel(m_indexDatei);
        QSaveFile datei(m_indexDatei);
        if (!QDir().mkpath(ziel.path()) || !datei.open(QIODevice::WriteOnly) ||
            !::indexSchreiben(datei, m_schluessel, m_lesung) || !datei.commit())
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

QString Bibliothek::text(int N) const
{
    if (N < m_lesung.anzahl())
        return ansicht(m_lesung.text(N));
    return m_hinzu[static_cast<size_t>(N - m_lesung.anzahl())].text;
}

QString Bibliothek::dateiname(int N) const
{
    return nameIn(text(N)).toString();
}

QString Bibliothek::name(int N) const
{
    return ohneRandLeerzeichen(dateiname(N));
}

NativePath Bibliothek::pfad(int N) const
{
    if (N >= m_lesung.anzahl())
        return m_hinzu[static_cast<size_t>(N - m_lesung.anzahl())].pfad;
    const Ort ort = m_lesung.orte[static_cast<size_t>(N)];
    const Eintragsordner& ordner = m_lesung.ordner[ort.ordner];
    return joinPath(ordner.pfad, ort.name == Ort::imText
                                     ? QFile::encodeName(dateiname(N)).toStdString()
                                     : NativePath(ordner.namen.c_str() + ort.name));
}

void Bibliothek::ListeÜbertragen()
{
    beginResetModel();
    const qsizetype n = m_lesung.anzahl();
    // An index from an unchanged tree brings its sorted order along; one from
    // a changed tree the order of the entries that it still holds.
    if (m_lesung.nummern.size() != static_cast<size_t>(n)) {
        QStringList texte;
        texte.reserve(n);
        for (qsizetype N = 0; N < n; ++N)
            texte.append(ansicht(m_lesung.text(N)));
        m_lesung.nummern =
            m_behalten.empty() ? sortedForDisplay(texte) : mergedForDisplay(texte, m_behalten);
        std::vector<int>().swap(m_behalten);
    }
    m_nummern = m_lesung.nummern;
    m_sortiert.clear();
    m_sortiert.reserve(n);
    grosseSeiten(m_sortiert.constData(), n * qsizetype{sizeof(QString)});
    m_listennummern.assign(m_nummern.size(), -1);
    for (size_t i = 0; i < m_nummern.size(); ++i) {
        m_sortiert.append(ansicht(m_lesung.text(m_nummern[i])));
        m_listennummern[static_cast<size_t>(m_nummern[i])] = static_cast<int>(i);
    }
    endResetModel();
}

int Bibliothek::ListennummerErmitteln(int N) const
{
    if (N < 0 || N >= static_cast<int>(m_listennummern.size()))
        return -1;
    return m_listennummern[static_cast<size_t>(N)];
}

int Bibliothek::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : size();
}

QVariant Bibliothek::data(const QModelIndex& index, int role) const
{
    if ((role != Qt::DisplayRole && role != Qt::EditRole) || !index.isValid() ||
        index.row() >= size())
        return {};
    return m_sortiert.at(index.row());
}

int Bibliothek::nummerVon(const NativePath& pfad) const
{
    const int n = static_cast<int>(m_lesung.anzahl() + static_cast<qsizetype>(m_hinzu.size()));
    for (int N = 0; N < n; ++N)
        if (this->pfad(N) == pfad)
            return N;
    return -1;
}

int Bibliothek::hinzufuegen(const NativePath& pfad)
{
    // The index keeps the read, not what joins it later.
    m_schreiber = {};
    m_indexVeraltet = false;
    const int N = static_cast<int>(m_lesung.anzahl() + static_cast<qsizetype>(m_hinzu.size()));
    const std::filesystem::path p(pfad);
    Lesung einzeln;
    ShowFileList(einzeln, N, p.parent_path().native(), {p.filename().native()}, true);
    m_hinzu.push_back({einzeln.texte, pfad});
    const QString& text = m_hinzu.back().text;
    const QString key = sortKey(text);
    const auto stelle =
        std::partition_point(m_sortiert.begin(), m_sortiert.end(),
                             [&](const QString& e) { return vor(sortKey(e), e, key, text); });
    const int zeile = static_cast<int>(stelle - m_sortiert.begin());
    beginInsertRows({}, zeile, zeile);
    m_sortiert.insert(zeile, text);
    m_nummern.insert(m_nummern.begin() + zeile, N);
    for (int& position : m_listennummern)
        if (position >= zeile)
            ++position;
    m_listennummern.push_back(zeile);
    endInsertRows();
    return N;
}
