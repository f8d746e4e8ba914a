#pragma once

#include "core/bibliotheksindex.h"
#include "core/linestore.h"
#include "platform/folderwalk.h"

#include <QAbstractListModel>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

// The track library: every file found under the source folders, numbered in the
// order of the walk. An entry's text is its file name, three blanks and the
// marker "#N#"; the model shows the entries sorted, as the track choosers list
// them, and a position in that order is a "Listennummer".
class Bibliothek final : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // The folders of the source-path line; without a source-path file, the
    // user's music folder.
    static QStringList PfadeEinlesen(const QString& quellpfadDatei);
    // The index file for a data folder, its source folders and extension rule,
    // in the user's cache; empty when there is no cache folder.
    static QString indexDatei(const QString& datenordner, const QStringList& pfade,
                              bool AlleDateien);
    // Walks every folder with its subfolders; with AlleDateien false only files
    // with one of the six media extensions are taken. The calling thread runs
    // its event loop meanwhile, so that a window can show how far it got.
    // With an index file from an earlier start, only the folders that changed
    // since are read again, and the library is the one a whole walk would give.
    void AlleDateienAusAllenPfadenEinlesen(const QStringList& pfade, bool AlleDateien,
                                           const QString& indexDatei = {});
    // Writes the index for the next start in the background, when this read
    // changed anything; a failed write leaves the next start a whole walk.
    void indexSpeichern();
    // Folders that the last read listed on disk rather than took from the index.
    int ordnerGelesen() const { return m_ordnerGelesen; }
    // Entries found so far; may be asked from any thread while the walk runs.
    int gefunden() const { return m_gefunden.load(std::memory_order_relaxed); }
    // Lets tests read folders their own way, to slow the walk down or to make a
    // folder vanish at the right moment.
    void setOrdnerLeser(FolderReader leser) { m_leser = std::move(leser); }
    // Sorts the entries for display, in one model reset.
    void ListeÜbertragen();
    // Entry N whose path is this one; -1 when the library has none.
    int nummerVon(const NativePath& pfad) const;
    // Adds a file found elsewhere as one more entry, in its sorted place; its N.
    int hinzufuegen(const NativePath& pfad);

    // Position in the sorted order of entry N; -1 when there is none.
    int ListennummerErmitteln(int N) const;

    int size() const { return static_cast<int>(m_sortiert.size()); }
    const QStringList& sortiert() const { return m_sortiert; }
    // Entry number N of the sorted position.
    int nummer(int Listennummer) const { return m_nummern[static_cast<size_t>(Listennummer)]; }
    QString text(int N) const;
    // The file name of entry N, as the queue file stores it.
    QString name(int N) const;
    NativePath pfad(int N) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void einlesen(const std::vector<NativePath>& folderspecs, bool AlleDateien);
    // Whether each folder of an earlier read still holds what it held then.
    std::vector<char> unveraendert(const Lesung& alt) const;
    void ShowFolderList(const std::vector<NativePath>& folderspecs, bool AlleDateien,
                        const Lesung* alt, const std::vector<char>& gueltig);
    // The file's name as its text spells it.
    QString dateiname(int N) const;

    // Entries added after the read, each with its path.
    struct Hinzu {
        QString text;
        NativePath pfad;
    };

    Lesung m_lesung;
    std::vector<Hinzu> m_hinzu;
    // Entries from the index's sorted order that this read found again, by
    // their numbers now, in that order.
    std::vector<int> m_behalten;
    std::atomic<int> m_gefunden = 0;
    int m_ordnerGelesen = 0;
    FolderReader m_leser = GetFolder;
    QStringList m_sortiert;           // views of the texts, sorted
    std::vector<int> m_nummern;       // sorted position -> N
    std::vector<int> m_listennummern; // N -> sorted position
    QString m_indexDatei;
    IndexSchluessel m_schluessel;
    bool m_indexVeraltet = false;
    std::jthread m_schreiber; // last: done before the rest goes
};

// The extension rule: with it on, only files with one of the six media
// extensions enter the library.
bool EndungPasst(const NativePath& name);

// Sort key of a name: letters without accents and letter case, "ß" as "ss" and
// the other ligatures spelt out, so that names sort as a German reader expects.
QString sortKey(const QString& text);
