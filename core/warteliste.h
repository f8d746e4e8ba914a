#pragma once

#include <QAbstractListModel>
#include <QStringList>
#include <vector>

class Bibliothek;

// The queue: library entries by their number N, entry 0 plays next. The model
// shows each with its entry text; its count is "Wartend".
class Warteliste final : public QAbstractListModel
{
    Q_OBJECT
public:
    // A queue file naming more tracks than this is cut here: a hostile or
    // broken file must not fill the memory.
    static constexpr int Hoechstzahl = 100'000;

    explicit Warteliste(const Bibliothek& bibliothek, QObject* parent = nullptr);

    int Wartend() const { return static_cast<int>(m_nummern.size()); }
    int nummer(int zeile) const { return m_nummern[static_cast<size_t>(zeile)]; }
    void anhaengen(int N) { einfuegen(Wartend(), N); }
    void einfuegen(int zeile, int N);
    void entfernen(int zeile);
    // Swaps the entry with its neighbour; the new row, or -1 when it cannot move.
    int verschieben(int zeile, int richtung);
    void leeren();
    // Takes entry 0 off the queue; its N, or -1 when the queue is empty.
    int kopfNehmen();

    // The queue line: every entry's file name followed by "/", then the names
    // kept unseen, or "/" alone. A name with a line break, which the one-line
    // file cannot hold, is left out.
    QString WartelisteSpeichern() const;
    // Restores from a queue line, in one step: each name brings back the first
    // library entry of exactly that name. Names without one are dropped, or,
    // with `behalten` (a source folder is missing), kept unseen, so that the
    // queue of a drive not mounted survives until a start finds it again.
    void WartelisteWiederherstellen(const QString& zeile, bool behalten = false);

    // Asks the views to show the count now; the queue panel follows the clock,
    // not every change.
    void WartendAnzeigen() { Q_EMIT wartendAngezeigt(Wartend()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void wartendAngezeigt(int wartend);

private:
    const Bibliothek& m_bibliothek;
    std::vector<int> m_nummern;
    QStringList m_unsichtbar;
};
