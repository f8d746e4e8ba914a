#pragma once

#include "core/bibliothekslesung.h"
#include "core/linestore.h"
#include "core/sortierung.h"

#include <QAbstractListModel>
#include <QStringList>
#include <optional>
#include <span>
#include <stop_token>
#include <unordered_map>
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
    // with one of the six media extensions are taken. Blocks, and may run on a
    // thread of its own while no other thread uses the library; `gefunden`
    // tells how far it got. A stop request through `halt` abandons the read.
    // With an index file from an earlier start, only the folders that changed
    // since are read again, and the library is the one a whole walk would give.
    void AlleDateienAusAllenPfadenEinlesen(const QStringList& pfade, bool AlleDateien,
                                           const QString& indexDatei = {},
                                           std::stop_token halt = {});
    // Writes the index for the next start in the background, when this read
    // changed anything; a failed write leaves the next start a whole walk.
    void indexSpeichern();
    // Folders that the last read listed on disk rather than took from the index.
    int ordnerGelesen() const { return m_lesen.ordnerGelesen(); }
    // Entries found so far; may be asked from any thread while the walk runs.
    int gefunden() const { return m_lesen.gefunden(); }
    // Lets tests read folders their own way, to slow the walk down or to make a
    // folder vanish at the right moment.
    void setOrdnerLeser(FolderReader leser) { m_lesen.setOrdnerLeser(std::move(leser)); }
    // Puts the entries in display order, without showing it yet: the costly
    // part of ListeÜbertragen, which may run on the read's thread.
    void sortieren();
    // Shows the entries in display order, in one model reset.
    void ListeÜbertragen();
    // The entries' texts in list order, as views of the library's own.
    QStringList sortierteTexte() const;
    // Entry N whose path is this one, the first when several have it; -1 when
    // the library has none. `ordner`, the identity of the file's folder,
    // finds it too when a link leads there by another name.
    int nummerVon(const NativePath& pfad, const std::optional<FolderId>& ordner = {}) const;
    // Adds files found elsewhere as entries, each in its sorted place, in one
    // change of the model; their N, in the order given. A path that joined
    // before keeps its entry.
    std::vector<int> hinzufuegen(const std::vector<NativePath>& pfade);
    // Puts entry numbers into the order of the list.
    void ordnen(std::span<int> nummern) const;

    // Position in the sorted order of entry N; -1 when there is none.
    int ListennummerErmitteln(int N) const;

    int size() const { return static_cast<int>(m_nummern.size()); }
    // Entry number N of the sorted position.
    int nummer(int Listennummer) const { return m_nummern[static_cast<size_t>(Listennummer)]; }
    QString text(int N) const;
    // The file name of entry N, as the queue file stores it.
    QString name(int N) const;
    NativePath pfad(int N) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    const Lesung& lesung() const { return m_lesen.lesung(); }
    // The file's name as its text spells it.
    QString dateiname(int N) const;
    // Sorts new entries into the order, in one change of the model.
    void einordnen(std::vector<int> neue);

    // Entries added after the read, each with its path.
    struct Hinzu {
        QString text;
        NativePath pfad;
    };

    Bibliothekslesung m_lesen;
    std::vector<Hinzu> m_hinzu;
    std::unordered_map<NativePath, int> m_hinzuNachPfad;
    std::vector<int> m_nummern; // sorted position -> N: the one order of the list
    std::optional<std::vector<int>> m_vorsortiert; // the order sorted, not yet shown
};
