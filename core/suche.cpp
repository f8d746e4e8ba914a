#include "core/suche.h"

#include "core/linestore.h"

#include <QStringView>
#include <algorithm>
#include <array>

namespace
{

// A character's bit is its own for a-z and 0-9, the letters of most folded
// names, and shared among the other characters.
quint64 zeichenBit(char16_t c)
{
    if (c >= u'a' && c <= u'z')
        return quint64(1) << (c - u'a');
    if (c >= u'0' && c <= u'9')
        return quint64(1) << (26 + c - u'0');
    return quint64(1) << (36 + c % 28);
}

// Whether a search for these words is decided by the characters' bits alone:
// each word is empty or one character with a bit of its own.
bool nurZeichen(const QStringList& woerter)
{
    return std::all_of(woerter.cbegin(), woerter.cend(), [](const QString& wort) {
        return wort.isEmpty() ||
               (wort.size() == 1 && zeichenBit(wort[0].unicode()) < (quint64(1) << 36));
    });
}

// Whether text holds wort: where its first letter is found by the vectorised
// search for one character, the rest is compared; faster on short texts than
// a general substring search.
bool enthaelt(QStringView text, QStringView wort)
{
    if (wort.isEmpty())
        return true;
    const QChar erstes = wort.front();
    const QStringView rest = wort.sliced(1);
    const qsizetype letzte = text.size() - wort.size();
    for (qsizetype i = 0; i <= letzte; ++i) {
        i = text.indexOf(erstes, i);
        if (i < 0 || i > letzte)
            return false;
        if (text.sliced(i + 1, rest.size()) == rest)
            return true;
    }
    return false;
}

// Splits [0, n) into one slice per core, each big enough to be worth a thread,
// runs teil(von, bis) on each side by side and returns their results in order.
template <class T, class F> std::vector<T> verteilt(qsizetype n, F teil)
{
    constexpr qsizetype mindestens = 1 << 15;
    const qsizetype kerne = std::max(1U, std::thread::hardware_concurrency());
    const qsizetype scheiben = std::clamp<qsizetype>(n / mindestens, 1, kerne);
    std::vector<T> ergebnisse(static_cast<size_t>(scheiben));
    {
        std::vector<std::jthread> helfer;
        for (qsizetype s = 1; s < scheiben; ++s)
            helfer.emplace_back([&, s] {
                ergebnisse[static_cast<size_t>(s)] = teil(n * s / scheiben, n * (s + 1) / scheiben);
            });
        ergebnisse[0] = teil(0, n / scheiben);
    }
    return ergebnisse;
}

} // namespace

Suche::Maske Suche::maske(QStringView text)
{
    Maske m;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        m.zeichen |= zeichenBit(c);
        if (i > 0)
            m.paare |=
                quint64(1) << ((text[i - 1].unicode() * 0x9E3779B1U + c * 0x85EBCA77U) >> 26);
    }
    return m;
}

Suche::Index Suche::falten(const QStringList& sortiert, const std::stop_token& stop)
{
    // A Latin-1 letter folds from a table; a text with any other character
    // folds as a whole, which may change its length.
    static const std::array<char16_t, 256> latin1 = [] {
        std::array<char16_t, 256> tabelle{};
        for (char16_t c = 1; c < 256; ++c) {
            const QString f = QString(QChar(c)).toCaseFolded();
            tabelle[c] = f.size() == 1 ? f[0].unicode() : 0;
        }
        return tabelle;
    }();
    Index index;
    index.texte.resize(static_cast<size_t>(sortiert.size()));
    index.masken.resize(static_cast<size_t>(sortiert.size()));
    // Each slice folds into a block of its own, one text after another in list
    // order, so that a search reads the memory from front to back.
    index.bloecke =
        verteilt<std::vector<char16_t>>(sortiert.size(), [&](qsizetype von, qsizetype bis) {
            std::vector<char16_t> block;
            std::vector<size_t> anfaenge;
            anfaenge.reserve(static_cast<size_t>(bis - von));
            for (qsizetype i = von; i < bis && !(i % 4096 == 0 && stop.stop_requested()); ++i) {
                const QString& text = sortiert.at(i);
                anfaenge.push_back(block.size());
                qsizetype j = 0;
                for (; j < text.size(); ++j) {
                    const char16_t c = text[j].unicode();
                    const char16_t f = c < 256 ? latin1[c] : 0;
                    if (!f)
                        break;
                    block.push_back(f);
                }
                if (j < text.size()) {
                    block.resize(anfaenge.back());
                    const QString f = text.toCaseFolded();
                    const auto* g = reinterpret_cast<const char16_t*>(f.constData());
                    block.insert(block.end(), g, g + f.size());
                }
                index.masken[static_cast<size_t>(i)] =
                    maske(QStringView(block.data() + anfaenge.back(), block.data() + block.size()));
            }
            // The block has its final place now; moving it keeps it there.
            for (size_t k = 0; k < anfaenge.size(); ++k)
                index.texte[static_cast<size_t>(von) + k] = QStringView(
                    block.data() + anfaenge[k],
                    (k + 1 < anfaenge.size() ? anfaenge[k + 1] : block.size()) - anfaenge[k]);
            return block;
        });
    return index;
}

void Suche::setInhalt(QStringList sortiert)
{
    m_bauer = {};
    m_index = {};
    m_hinzu.clear();
    m_wartend.clear();
    m_bereit = false;
    m_letzteGueltig = false;
    const quint64 lauf = ++m_lauf;
    m_bauer = std::jthread(
        [this, lauf, sortiert = std::move(sortiert)](const std::stop_token& stop) mutable {
            auto index = std::make_shared<Index>(falten(sortiert, stop));
            // The list's last reference may be this one: let it go here.
            sortiert = {};
            if (stop.stop_requested())
                return;
            QMetaObject::invokeMethod(
                this,
                [this, lauf, index] {
                    if (lauf == m_lauf)
                        einsetzen(std::move(*index));
                },
                Qt::QueuedConnection);
        });
}

void Suche::einsetzen(Index index)
{
    m_index = std::move(index);
    m_bereit = true;
    for (const auto& eintraege : m_wartend)
        einfuegen(eintraege);
    m_wartend.clear();
    Q_EMIT bereit();
}

void Suche::einfuegen(const std::vector<std::pair<int, QString>>& eintraege)
{
    m_letzteGueltig = false;
    if (!m_bereit) {
        m_wartend.push_back(eintraege);
        return;
    }
    std::vector<QStringView> texte;
    std::vector<Maske> masken;
    texte.reserve(m_index.texte.size() + eintraege.size());
    masken.reserve(texte.capacity());
    size_t alt = 0;
    const auto bis = [&](size_t position) {
        for (; texte.size() < position; ++alt) {
            texte.push_back(m_index.texte[alt]);
            masken.push_back(m_index.masken[alt]);
        }
    };
    for (const auto& [position, eintrag] : eintraege) {
        bis(static_cast<size_t>(position));
        const QString& f = m_hinzu.emplace_back(eintrag.toCaseFolded());
        texte.push_back(f);
        masken.push_back(maske(f));
    }
    bis(m_index.texte.size() + eintraege.size());
    m_index.texte = std::move(texte);
    m_index.masken = std::move(masken);
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
    if (!m_bereit)
        return {};
    const QStringList woerter = Woerter(Text);
    // Every hit of a text also holds each word of a text whose every word lies
    // within one of its words: it is found among that text's hits.
    const bool verfeinern =
        m_letzteGueltig &&
        std::all_of(m_letzteWoerter.cbegin(), m_letzteWoerter.cend(), [&](const QString& alt) {
            return std::any_of(woerter.cbegin(), woerter.cend(),
                               [&](const QString& wort) { return wort.contains(alt); });
        });
    std::vector<QStringView> gesucht(woerter.cbegin(), woerter.cend());
    Maske noetig;
    for (const QStringView wort : gesucht) {
        const Maske m = maske(wort);
        noetig.zeichen |= m.zeichen;
        noetig.paare |= m.paare;
    }
    const bool genau = nurZeichen(woerter);
    const std::vector<int> kandidaten =
        verfeinern ? std::move(m_letzteTreffer) : std::vector<int>();
    const auto teile = verteilt<std::vector<int>>(
        verfeinern ? static_cast<qsizetype>(kandidaten.size())
                   : static_cast<qsizetype>(m_index.masken.size()),
        [&](qsizetype von, qsizetype bis) {
            std::vector<int> treffer;
            for (qsizetype k = von; k < bis; ++k) {
                const int i = verfeinern ? kandidaten[static_cast<size_t>(k)] : static_cast<int>(k);
                const Maske& m = m_index.masken[static_cast<size_t>(i)];
                if ((m.zeichen & noetig.zeichen) != noetig.zeichen ||
                    (m.paare & noetig.paare) != noetig.paare)
                    continue;
                const QStringView text = m_index.texte[static_cast<size_t>(i)];
                if (genau || std::all_of(gesucht.cbegin(), gesucht.cend(),
                                         [&](QStringView wort) { return enthaelt(text, wort); }))
                    treffer.push_back(i);
            }
            return treffer;
        });
    std::vector<int> treffer;
    size_t anzahl = 0;
    for (const std::vector<int>& teil : teile)
        anzahl += teil.size();
    treffer.reserve(anzahl);
    for (const std::vector<int>& teil : teile)
        treffer.insert(treffer.end(), teil.begin(), teil.end());
    m_letzteWoerter = woerter;
    m_letzteTreffer = treffer;
    m_letzteGueltig = true;
    return treffer;
}
