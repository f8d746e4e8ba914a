#pragma once

#include "core/linestore.h"
#include "platform/folderwalk.h"

#include <QAbstractListModel>
#include <QStringList>
#include <atomic>
#include <cstdint>
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
    // Walks every folder with its subfolders; with AlleDateien false only files
    // with one of the six media extensions are taken. The calling thread runs
    // its event loop meanwhile, so that a window can show how far it got.
    void AlleDateienAusAllenPfadenEinlesen(const QStringList& pfade, bool AlleDateien);
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
    const QString& text(int N) const { return m_lsttemp[N]; }
    // The file name of entry N, as the queue file stores it.
    QString name(int N) const;
    NativePath pfad(int N) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void ShowFolderList(const std::vector<NativePath>& folderspecs, bool AlleDateien);
    void ShowFileList(const NativePath& folderspec, const std::vector<NativePath>& files,
                      bool AlleDateien);
    // The file's name as its text spells it.
    QString dateiname(int N) const;

    // A path is its folder and the name that the entry's text spells; a million
    // full paths would cost more than the rest of the library. Only names that
    // are no UTF-8 keep their bytes, each ended by a zero byte.
    struct Ordner {
        NativePath pfad;
        std::string namen;
    };
    static constexpr std::uint32_t imText = UINT32_MAX;
    struct Ort {
        std::uint32_t ordner;
        std::uint32_t name; // where the name's bytes start in the folder's, or imText
    };

    QStringList m_lsttemp; // entry texts in walk order
    std::vector<Ordner> m_ordner;
    std::vector<Ort> m_orte; // N -> where its path is
    std::atomic<int> m_gefunden = 0;
    FolderReader m_leser = GetFolder;
    QStringList m_sortiert;
    std::vector<int> m_nummern;       // sorted position -> N
    std::vector<int> m_listennummern; // N -> sorted position
};

// The extension rule: with it on, only files with one of the six media
// extensions enter the library.
bool EndungPasst(const NativePath& name);

// Sort key of a name: letters without accents and letter case, "ß" as "ss" and
// the other ligatures spelt out, so that names sort as a German reader expects.
QString sortKey(const QString& text);
