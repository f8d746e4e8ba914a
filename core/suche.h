#pragma once

#include <QObject>
#include <QStringList>
#include <deque>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

// The typing search over the sorted library entries. Its index (every entry
// case-folded, with the mask of its characters) is built on a worker thread;
// a search before it is in place finds nothing.
class Suche final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    Q_DISABLE_COPY_MOVE(Suche)

    // Builds the index of the entries in list order in the background and puts
    // it in place on this object's thread, with bereit() then. Entries inserted
    // meanwhile join it there.
    void setInhalt(QStringList sortiert);
    bool istBereit() const { return m_bereit; }
    // More entries, each at its position of the list they make, ascending,
    // merged in one pass.
    void einfuegen(const std::vector<std::pair<int, QString>>& eintraege);

    // Position (from 1) of the first blank in Text; 0 when it has none.
    static int Leerzeichenfinden(const QString& Text);
    // The words of Text, case-folded: runs of non-blanks. A text of blanks only
    // gives the single empty word, which every entry contains.
    static QStringList Woerter(QString Text);

    // Positions of the entries that contain every word of Text, letter case
    // ignored, in list order.
    std::vector<int> Suchen(const QString& Text) const;

Q_SIGNALS:
    void bereit();

private:
    // The characters and the pairs of neighbouring characters a text holds,
    // a bit each: a word's bits are a subset of those of every text that
    // contains it, so most entries are passed over without reading their text.
    struct Maske {
        quint64 zeichen = 0;
        quint64 paare = 0;
    };
    // By position: each entry's folded text (in one of the blocks or among
    // the inserted texts) and, apart, its mask.
    struct Index {
        std::vector<std::vector<char16_t>> bloecke;
        std::vector<QStringView> texte;
        std::vector<Maske> masken;
    };
    static Maske maske(QStringView text);
    static Index falten(const QStringList& sortiert, const std::stop_token& stop);
    void einsetzen(Index index);

    Index m_index;
    // Folded texts of inserted entries: a deque, so that they never move.
    std::deque<QString> m_hinzu;
    // Inserts that came while the index was being built, in order.
    std::vector<std::vector<std::pair<int, QString>>> m_wartend;
    bool m_bereit = false;
    // Counts the builds, so that one overtaken by a later one is not put in place.
    quint64 m_lauf = 0;
    // The last search, from whose hits a search for a longer text starts;
    // an insert forgets it.
    mutable QStringList m_letzteWoerter;
    mutable std::vector<int> m_letzteTreffer;
    mutable bool m_letzteGueltig = false;
    std::jthread m_bauer; // last: stopped and joined before the rest goes
};
