#pragma once

#include <QStringList>
#include <vector>

// The typing search over the sorted library entries.
class Suche
{
public:
    // Makes the list ready for searching, once: every entry case-folded, and a
    // mask of the characters it holds, which passes over most entries of a
    // typical search without reading their text.
    void setInhalt(const QStringList& sortiert);
    // The same, with every entry already case-folded.
    void setGefaltet(QStringList gefaltet);
    // One more entry at this position of the list.
    void einfuegen(int position, const QString& eintrag);

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
