#include "datafiles/linestore.h"
#include "player/frmplayer.h"
#include "windows/frmsuchen.h"
#include "windows/frmwarteliste.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringListModel>
#include <algorithm>
#include <array>

namespace
{

const QString sourcePathFile = QStringLiteral("Quellpfad.wob");

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

// Sort key: letters without their accents and letter case, so that "Ärzte"
// sorts beside "Arzt" and "b" beside "B". Ties fall back to the text itself.
QString slowSortKey(const QString& text)
{
    QString key = text.normalized(QString::NormalizationForm_D);
    key.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return key.toCaseFolded();
}

// Names in Latin-1, nearly all of a library, take their key letter by letter
// from a table that the full rule filled, at a fraction of its cost.
QString sortKey(const QString& text)
{
    constexpr char16_t noSingleLetter = 0xffff;
    static const std::array<char16_t, 256> latin1 = [] {
        std::array<char16_t, 256> table{};
        for (char16_t c = 0; c < 256; ++c) {
            const QString key = slowSortKey(QString(QChar(c)));
            table[c] = key.size() == 1 ? key.front().unicode() : noSingleLetter;
        }
        return table;
    }();
    QString key(text.size(), Qt::Uninitialized);
    QChar* out = key.data();
    for (const QChar c : text) {
        const char16_t folded = c.unicode() < 256 ? latin1[c.unicode()] : noSingleLetter;
        if (folded == noSingleLetter)
            return slowSortKey(text);
        *out++ = QChar(folded);
    }
    return key;
}

QStringList sortedForDisplay(const QStringList& texts)
{
    // Key and position side by side, so that the sort reads one place per entry.
    std::vector<std::pair<QString, qsizetype>> keyed;
    keyed.reserve(texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i)
        keyed.emplace_back(sortKey(texts[i]), i);
    std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        if (const int c = QString::compare(a.first, b.first); c != 0)
            return c < 0;
        return texts[a.second] < texts[b.second];
    });
    QStringList sorted;
    sorted.reserve(texts.size());
    for (const auto& [key, i] : keyed)
        sorted.append(texts[i]);
    return sorted;
}

} // namespace

void frmPlayer::PfadeEinlesen()
{
    // A first start without a source-path file looks in the user's music folder.
    if (!QFileInfo::exists(sourcePathFile)) {
        const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        if (!music.isEmpty() && QFileInfo(music).isDir())
            m_lstPfade.append(music);
        return;
    }
    m_lstPfade.append(teileLesen(Lesen(sourcePathFile), u';'));
}

void frmPlayer::AlleDateienAusAllenPfadenEinlesen()
{
    PfadeEinlesen();
    for (const QString& pfad : std::as_const(m_lstPfade))
        ShowFolderList(QFile::encodeName(pfad).toStdString());
}

void frmPlayer::ShowFolderList(const NativePath& folderspec)
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
        ShowFolderList(joinPath(folderspec, sub));
    ShowFileList(folderspec, folder->files);
    m_walkPath.pop_back();
}

void frmPlayer::ShowFileList(const NativePath& folderspec, const std::vector<NativePath>& files)
{
    for (const NativePath& name : files) {
        if (!m_AlleDateien && !EndungPasst(name))
            continue;
        const auto N = m_lsttemp.size();
        m_lsttemp.append(QFile::decodeName(name.c_str()) + QStringLiteral("   #") +
                         QString::number(N) + u'#');
        m_ListeMitPfadNamen.push_back(joinPath(folderspec, name));
    }
}

void frmPlayer::ListeÜbertragen()
{
    m_sortiert = sortedForDisplay(m_lsttemp);
    Warteliste->setLieder(m_sortiert);
    Suchen->setInhalt(m_sortiert);
    m_list1Model->setStringList(m_sortiert);
    LIST1->setCurrentIndex(-1);
}

int frmPlayer::NummerErmitteln(const QString& Text)
{
    // The number stands in the marker at the end of the entry ("   #N#"), so a
    // "#" in the file name itself does not mislead.
    if (!Text.endsWith(u'#'))
        return -1;
    const qsizetype open = Text.lastIndexOf(u'#', Text.size() - 2);
    if (open < 0)
        return -1;
    bool ok = false;
    const int N = QStringView(Text).mid(open + 1, Text.size() - open - 2).toInt(&ok);
    return ok && N >= 0 ? N : -1;
}

int frmPlayer::ListennummerErmitteln(const QString& Text, const QStringList& ListeInDerGesuchtWird)
{
    Listennummer = static_cast<int>(ListeInDerGesuchtWird.indexOf(Text));
    return Listennummer;
}
