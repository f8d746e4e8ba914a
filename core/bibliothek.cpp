#include "core/bibliothek.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <charconv>
#include <numeric>
#include <thread>

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

// Keys the texts from `from` on, into `keyed` and one buffer that holds the
// keys until the sort is done: a million keys of their own would cost a
// million allocations and more memory than the texts.
void keyRange(const QStringList& texts, qsizetype from, qsizetype to, std::u16string& keys,
              Keyed* keyed)
{
    qsizetype letters = 0;
    for (qsizetype i = from; i < to; ++i)
        letters += texts[i].size();
    keys.reserve(static_cast<size_t>(letters + letters / 8));
    std::vector<size_t> starts;
    starts.reserve(static_cast<size_t>(to - from + 1));
    for (qsizetype i = from; i < to; ++i) {
        starts.push_back(keys.size());
        appendSortKey(texts[i], keys);
    }
    starts.push_back(keys.size());
    for (size_t k = 0; k + 1 < starts.size(); ++k) {
        const QStringView key(keys.data() + starts[k],
                              static_cast<qsizetype>(starts[k + 1] - starts[k]));
        keyed[k] = {prefixOf(key), key, static_cast<int>(from) + static_cast<int>(k)};
    }
}

QStringList sortedForDisplay(const QStringList& texts, std::vector<int>& order)
{
    const auto less = [&](const Keyed& a, const Keyed& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return vor(a.key, texts[a.N], b.key, texts[b.N]);
    };
    // Two halves keyed and sorted side by side, then merged.
    const qsizetype n = texts.size();
    const qsizetype mid = n / 2;
    std::vector<Keyed> keyed(static_cast<size_t>(n));
    std::u16string keys[2];
    const auto half = [&](qsizetype from, qsizetype to, std::u16string& buffer) {
        keyRange(texts, from, to, buffer, keyed.data() + from);
        std::sort(keyed.begin() + from, keyed.begin() + to, less);
    };
    {
        const std::jthread second([&] { half(mid, n, keys[1]); });
        half(0, mid, keys[0]);
    }
    std::inplace_merge(keyed.begin(), keyed.begin() + mid, keyed.end(), less);
    QStringList sorted;
    sorted.reserve(n);
    order.clear();
    order.reserve(keyed.size());
    for (const Keyed& k : keyed) {
        sorted.append(texts[k.N]);
        order.push_back(k.N);
    }
    return sorted;
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

void Bibliothek::AlleDateienAusAllenPfadenEinlesen(const QStringList& pfade, bool AlleDateien)
{
    std::vector<NativePath> folderspecs;
    for (const QString& pfad : pfade)
        folderspecs.push_back(QFile::encodeName(pfad).toStdString());
    {
        // The walk runs beside this thread, whose event loop keeps windows alive
        // meanwhile. Socket notifiers wait: what comes through them (the files
        // of a later start) would meet a library half read.
        QEventLoop warten;
        const std::jthread walk([&] {
            ShowFolderList(folderspecs, AlleDateien);
            QMetaObject::invokeMethod(&warten, &QEventLoop::quit, Qt::QueuedConnection);
        });
        if (QCoreApplication::instance())
            warten.exec(QEventLoop::ExcludeSocketNotifiers);
    }
    m_lsttemp.squeeze();
}

void Bibliothek::ShowFolderList(const std::vector<NativePath>& folderspecs, bool AlleDateien)
{
    // A folder that is missing, unreadable or vanished is left out quietly.
    walkFolders(
        folderspecs,
        [&](const NativePath& folderspec, std::vector<NativePath>& files) {
            ShowFileList(folderspec, files, AlleDateien);
            m_gefunden.store(static_cast<int>(m_lsttemp.size()), std::memory_order_relaxed);
        },
        m_leser);
}

void Bibliothek::ShowFileList(const NativePath& folderspec, const std::vector<NativePath>& files,
                              bool AlleDateien)
{
    Ordner ordner{folderspec, {}};
    const size_t vorher = m_orte.size();
    // Each name on its own, and a leading byte-order mark kept: the path is
    // spelt again from the text.
    QStringDecoder decode(QStringDecoder::System, QStringDecoder::Flag::Stateless |
                                                      QStringDecoder::Flag::ConvertInitialBom);
    for (const NativePath& file : files) {
        if (!AlleDateien && !EndungPasst(file))
            continue;
        // Name and marker are put together beforehand: one allocation an entry.
        const QByteArrayView bytes(file.data(), static_cast<qsizetype>(file.size()));
        QVarLengthArray<QChar, 256> name(decode.requiredSpace(bytes.size()));
        const QChar* const nameEnde = decode.appendToBuffer(name.data(), bytes);
        char N[16];
        const char* const ende = std::to_chars(N, std::end(N), m_lsttemp.size()).ptr;
        m_lsttemp.append(QStringView(name.data(), nameEnde) + QLatin1StringView("   #") +
                         QLatin1StringView(N, ende) + u'#');
        Ort ort{static_cast<std::uint32_t>(m_ordner.size()), imText};
        if (decode.hasError()) {
            decode.resetState();
            ort.name = static_cast<std::uint32_t>(ordner.namen.size());
            ordner.namen += file;
            ordner.namen += '\0';
        }
        m_orte.push_back(ort);
    }
    if (m_orte.size() > vorher)
        m_ordner.push_back(std::move(ordner));
}

QString Bibliothek::dateiname(int N) const
{
    // All of the text before its "   #N#".
    const QString& text = m_lsttemp[N];
    return text.first(text.lastIndexOf(u'#', -2) - 3);
}

QString Bibliothek::name(int N) const
{
    return ohneRandLeerzeichen(dateiname(N));
}

NativePath Bibliothek::pfad(int N) const
{
    const Ort ort = m_orte[static_cast<size_t>(N)];
    const Ordner& ordner = m_ordner[ort.ordner];
    return joinPath(ordner.pfad, ort.name == imText ? QFile::encodeName(dateiname(N)).toStdString()
                                                    : NativePath(ordner.namen.c_str() + ort.name));
}

void Bibliothek::ListeÜbertragen()
{
    beginResetModel();
    m_sortiert = sortedForDisplay(m_lsttemp, m_nummern);
    m_listennummern.assign(m_nummern.size(), -1);
    for (size_t i = 0; i < m_nummern.size(); ++i)
        m_listennummern[static_cast<size_t>(m_nummern[i])] = static_cast<int>(i);
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
    for (int N = 0; N < static_cast<int>(m_orte.size()); ++N)
        if (this->pfad(N) == pfad)
            return N;
    return -1;
}

int Bibliothek::hinzufuegen(const NativePath& pfad)
{
    const std::filesystem::path p(pfad);
    ShowFileList(p.parent_path().native(), {p.filename().native()}, true);
    const int N = static_cast<int>(m_lsttemp.size()) - 1;
    const QString& text = m_lsttemp[N];
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
