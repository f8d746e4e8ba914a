#include "core/bibliothek.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringTokenizer>
#include <algorithm>
#include <array>
#include <span>
#include <thread>
#include <unordered_map>

namespace
{

QString ansicht(QStringView text)
{
    return QString::fromRawData(text.data(), text.size());
}

} // namespace

QStringList Bibliothek::PfadeEinlesen(const QString& quellpfadDatei)
{
    if (!QFileInfo::exists(quellpfadDatei)) {
        const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        if (!music.isEmpty() && QFileInfo(music).isDir())
            return {music};
        return {};
    }
    // A broken or hostile file of millions of folders must not fill the
    // memory; one folder named twice still counts twice, as it reads twice.
    constexpr qsizetype hoechstens = 10'000;
    const QString zeile = Lesen(quellpfadDatei);
    QStringList pfade;
    qsizetype alle = 0;
    for (const QStringView pfad : QStringTokenizer(zeile, u';', Qt::SkipEmptyParts))
        if (++alle <= hoechstens)
            pfade.append(pfad.toString());
    if (alle > hoechstens)
        qWarning("Tonlaterne: %s nennt %lld Quellpfade; nur die ersten %lld werden gelesen.",
                 qPrintable(QFileInfo(quellpfadDatei).fileName()), static_cast<long long>(alle),
                 static_cast<long long>(hoechstens));
    return pfade;
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
                                                   const QString& indexDatei, std::stop_token halt)
{
    m_lesen.setIndex(indexDatei, {pfade, AlleDateien});
    std::vector<NativePath> folderspecs;
    for (const QString& pfad : pfade)
        folderspecs.push_back(QFile::encodeName(pfad).toStdString());
    m_lesen.einlesen(folderspecs, AlleDateien, std::move(halt));
}

void Bibliothek::indexSpeichern()
{
    // The order as it is now: files opened meanwhile change the list's, not the read.
    m_lesen.indexSpeichern(m_nummern);
}

QString Bibliothek::text(int N) const
{
    if (N < lesung().anzahl())
        return ansicht(lesung().text(N));
    return m_hinzu[static_cast<size_t>(N - lesung().anzahl())].text;
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
    if (N >= lesung().anzahl())
        return m_hinzu[static_cast<size_t>(N - lesung().anzahl())].pfad;
    const Ort ort = lesung().orte[static_cast<size_t>(N)];
    const Eintragsordner& ordner = lesung().ordner[ort.ordner];
    return joinPath(ordner.pfad, ort.name == Ort::imText
                                     ? QFile::encodeName(dateiname(N)).toStdString()
                                     : NativePath(ordner.namen.c_str() + ort.name));
}

void Bibliothek::sortieren()
{
    m_vorsortiert = m_lesen.sortiert();
}

void Bibliothek::ListeÜbertragen()
{
    if (!m_vorsortiert)
        sortieren();
    beginResetModel();
    m_nummern = std::move(*m_vorsortiert);
    m_vorsortiert.reset();
    endResetModel();
}

QStringList Bibliothek::sortierteTexte() const
{
    QStringList texte;
    texte.reserve(size());
    for (const int N : m_nummern)
        texte.append(text(N));
    return texte;
}

int Bibliothek::ListennummerErmitteln(int N) const
{
    if (N < 0 || N >= lesung().anzahl() + static_cast<qsizetype>(m_hinzu.size()))
        return -1;
    // The order is that of the sort keys, so N's place is found by halving. An
    // order that is not (from an index of another build) is searched through.
    const QString gesucht = text(N);
    std::u16string key, anderer;
    appendSortKey(gesucht, key);
    const auto stelle = std::partition_point(m_nummern.begin(), m_nummern.end(), [&](int M) {
        if (M == N)
            return false;
        const QString t = text(M);
        anderer.clear();
        appendSortKey(t, anderer);
        return vor(anderer, t, key, gesucht);
    });
    if (stelle != m_nummern.end() && *stelle == N)
        return static_cast<int>(stelle - m_nummern.begin());
    const auto irgendwo = std::find(m_nummern.begin(), m_nummern.end(), N);
    return irgendwo == m_nummern.end() ? -1 : static_cast<int>(irgendwo - m_nummern.begin());
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
    return text(nummer(index.row()));
}

int Bibliothek::nummerVon(const NativePath& pfad, const std::optional<FolderId>& ordner) const
{
    if (const int N = m_lesen.nummerVon(pfad, ordner); N >= 0)
        return N;
    const auto h = m_hinzuNachPfad.find(pfad);
    return h == m_hinzuNachPfad.end() ? -1 : h->second;
}

std::vector<int> Bibliothek::hinzufuegen(const std::vector<NativePath>& pfade)
{
    std::vector<int> nummern, neue;
    nummern.reserve(pfade.size());
    for (const NativePath& pfad : pfade) {
        const int N = static_cast<int>(lesung().anzahl() + static_cast<qsizetype>(m_hinzu.size()));
        const auto [stelle, neu] = m_hinzuNachPfad.try_emplace(pfad, N);
        nummern.push_back(stelle->second);
        if (!neu)
            continue;
        const std::filesystem::path p(pfad);
        Lesung einzeln;
        ShowFileList(einzeln, N, p.parent_path().native(), {p.filename().native()}, true);
        m_hinzu.push_back({einzeln.texte, pfad});
        neue.push_back(N);
    }
    einordnen(std::move(neue));
    return nummern;
}

void Bibliothek::ordnen(std::span<int> nummern) const
{
    std::vector<std::pair<QString, int>> keyed;
    keyed.reserve(nummern.size());
    for (const int N : nummern)
        keyed.emplace_back(sortKey(text(N)), N);
    std::sort(keyed.begin(), keyed.end(), [this](const auto& a, const auto& b) {
        return vor(a.first, text(a.second), b.first, text(b.second));
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        nummern[i] = keyed[i].second;
}

void Bibliothek::einordnen(std::vector<int> neue)
{
    if (neue.empty())
        return;
    ordnen(neue);
    // Where each goes in the order as it is: before the entry at that place.
    std::vector<size_t> stellen;
    std::u16string key;
    for (const int N : neue) {
        const QString t = text(N);
        const QString k = sortKey(t);
        const auto stelle = std::partition_point(m_nummern.begin(), m_nummern.end(), [&](int M) {
            const QString u = text(M);
            key.clear();
            appendSortKey(u, key);
            return vor(key, u, k, t);
        });
        stellen.push_back(static_cast<size_t>(stelle - m_nummern.begin()));
    }
    // One change of the layout: a million rows moved once, not once per file.
    Q_EMIT layoutAboutToBeChanged();
    // Merged from the back, in place.
    size_t alt = m_nummern.size();
    m_nummern.resize(m_nummern.size() + neue.size());
    for (size_t k = neue.size(), ziel = m_nummern.size(); k > 0;) {
        if (alt > stellen[k - 1])
            m_nummern[--ziel] = m_nummern[--alt];
        else
            m_nummern[--ziel] = neue[--k];
    }
    const QModelIndexList vorher = persistentIndexList();
    QModelIndexList nachher;
    nachher.reserve(vorher.size());
    for (const QModelIndex& i : vorher) {
        const auto zeile = static_cast<size_t>(i.row());
        const auto davor =
            std::upper_bound(stellen.begin(), stellen.end(), zeile) - stellen.begin();
        nachher.append(createIndex(static_cast<int>(zeile) + static_cast<int>(davor), 0));
    }
    changePersistentIndexList(vorher, nachher);
    Q_EMIT layoutChanged();
}
