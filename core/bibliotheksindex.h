#pragma once

#include "platform/folderwalk.h"

#include <QIODevice>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A folder that a library read asked for, with what it held then.
struct GelesenerOrdner {
    NativePath pfad;
    bool gelesen = false;  // false: it could not be read
    bool betreten = false; // its files were looked at, not passed over as a link back up
    FolderStamp stamp;
    std::vector<NativePath> unterordner;
    std::vector<LookedUpEntry> nachgesehen;
    std::uint32_t erster = 0, anzahl = 0; // its entries, when betreten
};

// A path is its folder and the name that the entry's text spells; a million
// full paths would cost more than the rest of the library. Only names that
// are no UTF-8 keep their bytes, each ended by a zero byte.
struct Eintragsordner {
    NativePath pfad;
    std::string namen;
    bool operator==(const Eintragsordner&) const = default;
};
struct Ort {
    static constexpr std::uint32_t imText = UINT32_MAX;
    std::uint32_t ordner;
    std::uint32_t name; // where the name's bytes start in the folder's, or imText
    bool operator==(const Ort&) const = default;
};

// The outcome of a library read, as the index file keeps it between starts.
struct Lesung {
    QString texte;                // the entry texts one after another, in walk order
    std::vector<qsizetype> enden; // N -> where its text ends in texte
    std::vector<Eintragsordner> ordner;
    std::vector<Ort> orte;                // N -> where its path is
    std::vector<int> nummern;             // sorted position -> N; empty before the sort
    std::vector<GelesenerOrdner> gelesen; // every folder the walk asked for
    // The wall clock when the read began: a folder changed since then may
    // still show the times it was listed with.
    std::int64_t beginn = 0, beginnNs = 0;

    qsizetype anzahl() const { return static_cast<qsizetype>(enden.size()); }
    QStringView text(qsizetype N) const
    {
        const qsizetype anfang = N == 0 ? 0 : enden[static_cast<size_t>(N - 1)];
        return QStringView(texte).sliced(anfang, enden[static_cast<size_t>(N)] - anfang);
    }
};

// Which library an index holds: the source folders in their order and the extension rule.
struct IndexSchluessel {
    QStringList pfade;
    bool alleDateien = false;
};

// False when the device would not take it all. `nummern` is the sorted order
// that the index keeps, in place of the read's own.
bool indexSchreiben(QIODevice& ziel, const IndexSchluessel& schluessel, const Lesung& lesung,
                    std::span<const int> nummern);
// Asks for large pages behind a large block that is about to be filled: the
// blocks of a million entries would otherwise cost tens of thousands of
// page faults.
void grosseSeiten(const void* anfang, qsizetype bytes);

// The sum that ends an index, over all of it before the sum.
std::uint64_t indexPruefsumme(QByteArrayView davor);
// Nothing unless the device holds, whole and unchanged, an index of this
// version for this key whose entries are well formed.
std::optional<Lesung> indexLesen(QIODevice& quelle, const IndexSchluessel& schluessel);
