#include "core/suche.h"

#include "core/linestore.h"

#include <algorithm>

namespace
{

quint64 zeichenMaske(QStringView text)
{
    quint64 maske = 0;
    for (const QChar c : text)
        maske |= Suche::zeichen(c);
    return maske;
}

} // namespace

void Suche::setInhalt(const QStringList& sortiert)
{
    Gefaltet gefaltet;
    gefaltet.texte.reserve(sortiert.size());
    for (const QString& eintrag : sortiert) {
        gefaltet.texte.append(eintrag.toCaseFolded());
        gefaltet.zeichen.push_back(zeichenMaske(gefaltet.texte.back()));
    }
    setGefaltet(std::move(gefaltet));
}

void Suche::setGefaltet(Gefaltet gefaltet)
{
    m_gefaltet = std::move(gefaltet.texte);
    m_zeichen = std::move(gefaltet.zeichen);
}

void Suche::einfuegen(const std::vector<std::pair<int, QString>>& eintraege)
{
    // Merged from the back, in place: the list moves once for all of them.
    qsizetype alt = m_gefaltet.size();
    const qsizetype n = alt + static_cast<qsizetype>(eintraege.size());
    m_gefaltet.resize(n);
    m_zeichen.resize(static_cast<size_t>(n));
    for (qsizetype ziel = n, k = static_cast<qsizetype>(eintraege.size()); k > 0;) {
        --ziel;
        const auto& [position, eintrag] = eintraege[static_cast<size_t>(k - 1)];
        if (ziel == position) {
            --k;
            m_gefaltet[ziel] = eintrag.toCaseFolded();
            m_zeichen[static_cast<size_t>(ziel)] = zeichenMaske(m_gefaltet[ziel]);
        } else {
            --alt;
            m_gefaltet[ziel] = std::move(m_gefaltet[alt]);
            m_zeichen[static_cast<size_t>(ziel)] = m_zeichen[static_cast<size_t>(alt)];
        }
    }
}

int Suche::Leerzeichenfinden(const QString& Text)
{
    return static_cast<int>(Text.indexOf(u' ') + 1);
}

QStringList Suche::Woerter(QString Text)
{
    QStringList woerter;
    for (;;) {
        Text = ohneRandLeerzeichen(Text);
        const int p = Leerzeichenfinden(Text);
        if (p == 0) {
            woerter.append(Text.toCaseFolded());
            return woerter;
        }
        woerter.append(Text.left(p - 1).toCaseFolded());
        Text.remove(0, p - 1);
    }
}

std::vector<int> Suche::Suchen(const QString& Text) const
{
    const QStringList woerter = Woerter(Text);
    quint64 noetig = 0;
    for (const QString& wort : woerter)
        noetig |= zeichenMaske(wort);
    std::vector<int> treffer;
    for (qsizetype j = 0; j < m_gefaltet.size(); ++j) {
        if ((m_zeichen[static_cast<size_t>(j)] & noetig) != noetig)
            continue;
        const QString& eintrag = m_gefaltet.at(j);
        if (std::all_of(woerter.cbegin(), woerter.cend(),
                        [&](const QString& wort) { return eintrag.contains(wort); }))
            treffer.push_back(static_cast<int>(j));
    }
    return treffer;
}
