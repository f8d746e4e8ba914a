#pragma once

#include "core/linestore.h"
#include "platform/folderwalk.h"

#include <QAbstractListModel>
#include <QStringList>
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
    // with one of the six media extensions are taken.
    void AlleDateienAusAllenPfadenEinlesen(const QStringList& pfade, bool AlleDateien);
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
    QString name(int N) const { return ohneRandLeerzeichen(m_namen[N]); }
    const NativePath& pfad(int N) const { return m_ListeMitPfadNamen[static_cast<size_t>(N)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void ShowFolderList(const NativePath& folderspec, bool AlleDateien);
    void ShowFileList(const NativePath& folderspec, const std::vector<NativePath>& files,
                      bool AlleDateien);

    QStringList m_lsttemp; // entry texts in walk order
    QStringList m_namen;   // their file names
    std::vector<NativePath> m_ListeMitPfadNamen;
    QStringList m_sortiert;
    std::vector<int> m_nummern;       // sorted position -> N
    std::vector<int> m_listennummern; // N -> sorted position
    std::vector<FolderId> m_walkPath; // folders of the walk that are open right now
};

// Sort key of a name: letters without accents and letter case, "ß" as "ss" and
// the other ligatures spelt out, so that names sort as a German reader expects.
QString sortKey(const QString& text);
