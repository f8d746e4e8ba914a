#include "core/bibliothek.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <numeric>

namespace
{

// With the extension rule on, only these files enter the library.
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

// The display order: by sort key, ties by the text itself.
bool vor(const QString& keyA, const QString& a, const QString& keyB, const QString& b)
{
    if (const int c = QString::compare(keyA, keyB); c != 0)
        return c < 0;
    return a < b;
}

QStringList sortedForDisplay(const QStringList& texts, std::vector<int>& order)
{
    // Key and position side by side, so that the sort reads one place per entry.
    std::vector<std::pair<QString, int>> keyed;
    keyed.reserve(static_cast<size_t>(texts.size()));
    for (qsizetype i = 0; i < texts.size(); ++i)
        keyed.emplace_back(sortKey(texts[i]), static_cast<int>(i));
    std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        return vor(a.first, texts[a.second], b.first, texts[b.second]);
    });
    QStringList sorted;
    sorted.reserve(texts.size());
    order.clear();
    order.reserve(keyed.size());
    for (const auto& [key, i] : keyed) {
        sorted.append(texts[i]);
        order.push_back(i);
    }
    return sorted;
}

} // namespace

// Names in Latin-1, nearly all of a library, take their key letter by letter
// from a table that the full rule filled, at a fraction of its cost.
QString sortKey(const QString& text)
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
    QString key(text.size() * 2, Qt::Uninitialized);
    QChar* const begin = key.data();
    QChar* out = begin;
    for (const QChar c : text) {
        const Letters l = c.unicode() < 256 ? latin1[c.unicode()] : Letters{noTableEntry, 0};
        if (l.first == noTableEntry)
            return slowSortKey(text);
        *out++ = QChar(l.first);
        if (l.second)
            *out++ = QChar(l.second);
    }
    key.truncate(out - begin);
    return key;
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
    for (const QString& pfad : pfade)
        ShowFolderList(QFile::encodeName(pfad).toStdString(), AlleDateien);
}

void Bibliothek::ShowFolderList(const NativePath& folderspec, bool AlleDateien)
{
    // A folder that is missing, unreadable or vanished is left out quietly.
    std::optional<FolderListing> folder = GetFolder(folderspec);
    if (!folder)
        return;
    // A link back into a folder that the walk is inside of would never end.
    if (std::find(m_walkPath.begin(), m_walkPath.end(), folder->id) != m_walkPath.end())
        return;
    m_walkPath.push_back(folder->id);
    for (const NativePath& sub : folder->subfolders)
        ShowFolderList(joinPath(folderspec, sub), AlleDateien);
    ShowFileList(folderspec, folder->files, AlleDateien);
    m_walkPath.pop_back();
}

void Bibliothek::ShowFileList(const NativePath& folderspec, const std::vector<NativePath>& files,
                              bool AlleDateien)
{
    for (const NativePath& file : files) {
        if (!AlleDateien && !EndungPasst(file))
            continue;
        const auto N = m_lsttemp.size();
        m_namen.append(QFile::decodeName(file.c_str()));
        m_lsttemp.append(m_namen.last() + QStringLiteral("   #") + QString::number(N) + u'#');
        m_ListeMitPfadNamen.push_back(joinPath(folderspec, file));
    }
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
    const auto it = std::find(m_ListeMitPfadNamen.begin(), m_ListeMitPfadNamen.end(), pfad);
    return it == m_ListeMitPfadNamen.end() ? -1
                                           : static_cast<int>(it - m_ListeMitPfadNamen.begin());
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
