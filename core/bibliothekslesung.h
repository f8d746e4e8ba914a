#pragma once

#include "core/bibliotheksindex.h"
#include "platform/folderwalk.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

// The library as a read finds it: the walk of the source folders, which takes
// the folders that did not change since the last start from that start's
// index; the index for the next start; and the entries' lookup by path.
class Bibliothekslesung
{
public:
    // Lets tests read folders their own way, to slow the walk down or to make a
    // folder vanish at the right moment.
    void setOrdnerLeser(FolderReader leser) { m_leser = std::move(leser); }
    // The index file and which library it holds; no file, no index.
    void setIndex(const QString& datei, IndexSchluessel schluessel);
    // Walks every folder with its subfolders; with AlleDateien false only files
    // with one of the six media extensions are taken.
    // A stop request through `halt` abandons the read, which then writes no index.
    void einlesen(const std::vector<NativePath>& folderspecs, bool AlleDateien,
                  std::stop_token halt = {});
    const Lesung& lesung() const { return m_lesung; }
    // The entries in display order, once: from the index, or sorted now.
    std::vector<int> sortiert();
    // Writes the index in the background, with this sorted order, when the
    // read changed anything; a failed write leaves the next start a whole walk.
    void indexSpeichern(std::vector<int> nummern);
    // Folders that the last read listed on disk rather than took from the index.
    int ordnerGelesen() const { return m_ordnerGelesen; }
    // Entries found so far; may be asked from any thread while the walk runs.
    int gefunden() const { return m_gefunden.load(std::memory_order_relaxed); }
    // Entry N whose path is this one, the first when several have it; -1 when
    // none. `ordner`, the identity of the file's folder, finds it too when a
    // link leads there by another name.
    int nummerVon(const NativePath& pfad, const std::optional<FolderId>& ordner) const;

private:
    // Whether each folder of an earlier read still holds what it held then.
    std::vector<char> unveraendert(const Lesung& alt) const;
    void ShowFolderList(const std::vector<NativePath>& folderspecs, bool AlleDateien,
                        const Lesung* alt, const std::vector<char>& gueltig);
    // The lookups by folder, for a library just read.
    void verzeichnen();
    // Entry N whose name in folder `ordner` is `name`; -1 when none.
    int nummerIn(std::uint32_t ordner, const NativePath& name) const;

    Lesung m_lesung;
    // Entries from the index's sorted order that this read found again, by
    // their numbers now, in that order.
    std::vector<int> m_behalten;
    std::atomic<int> m_gefunden = 0;
    int m_ordnerGelesen = 0;
    FolderReader m_leser = GetFolder;
    QString m_indexDatei;
    IndexSchluessel m_schluessel;
    bool m_indexVeraltet = false;
    std::stop_token m_halt;
    // Folders of the read by their path as the walk spelt it and by their
    // identity on disk, each to its first Eintragsordner.
    std::unordered_map<std::string_view, std::uint32_t> m_ordnerNachPfad;
    std::unordered_map<FolderId, std::uint32_t, FolderIdHash> m_ordnerNachId;
    std::jthread m_schreiber; // last: done before the rest goes
};

// The extension rule: with it on, only files with one of the six media
// extensions enter the library.
bool EndungPasst(const NativePath& name);
// The files of one folder that pass the extension rule, as entries of the
// library from its entry `erstesN` on.
void ShowFileList(Lesung& l, qsizetype erstesN, const NativePath& folderspec,
                  const std::vector<NativePath>& files, bool AlleDateien);
// The name of an entry as its text spells it: all before its "   #N#".
QStringView nameIn(QStringView text);
