#pragma once

#include <QStringList>
#include <utility>
#include <vector>

// The library entries case-folded in list order, each with the mask of the
// characters it holds (Suche::zeichen of each), which passes over most entries
// of a typical search without reading their text.
struct Gefaltet {
    QStringList texte;
    std::vector<quint64> zeichen;
};

// The typing search over the sorted library entries.
class Suche
{
public:
    // Makes the list ready for searching, once: every entry case-folded, with
    // the mask of its characters.
    void setInhalt(const QStringList& sortiert);
    // The same, with every entry already case-folded and masked.
    void setGefaltet(Gefaltet gefaltet);
    // The bit of a character in an entry's mask; a word's bits are a subset
    // of those of every text that contains it.
    static quint64 zeichen(QChar c) { return quint64(1) << (c.unicode() % 64); }
    // More entries, each at its position of the list they make, ascending.
    void einfuegen(const std::vector<std::pair<int, QString>>& eintraege);

    // Position (from 1) of the first blank in Text; 0 when it has none.
    static int Leerzeichenfinden(const QString& Text);
    // The words of Text, case-folded: runs of non-blanks. A text of blanks only
    // gives the single empty word, which every entry contains.
    static QStringList Woerter(QString Text);

    // Positions of the entries that contain every word of Text, letter case
    // ignored, in list order.
    std::vector<int> Suchen(const QString& Text) const;

private:
    QStringList m_gefaltet;
    std::vector<quint64> m_zeichen;
};
