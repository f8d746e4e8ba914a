#include "core/warteliste.h"

#include "core/bibliothek.h"
#include "core/linestore.h"

#include <QHash>
#include <QStringTokenizer>
#include <algorithm>

Warteliste::Warteliste(const Bibliothek& bibliothek, QObject* parent)
    : QAbstractListModel(parent), m_bibliothek(bibliothek)
{
}

void Warteliste::einfuegen(int zeile, int N)
{
    zeile = std::clamp(zeile, 0, Wartend());
    beginInsertRows({}, zeile, zeile);
    m_nummern.insert(m_nummern.begin() + zeile, N);
    endInsertRows();
}

void Warteliste::entfernen(int zeile)
{
    if (zeile < 0 || zeile >= Wartend())
        return;
    beginRemoveRows({}, zeile, zeile);
    m_nummern.erase(m_nummern.begin() + zeile);
    endRemoveRows();
}

int Warteliste::verschieben(int zeile, int richtung)
{
    const int ziel = zeile + richtung;
    if (zeile < 0 || zeile >= Wartend() || ziel < 0 || ziel >= Wartend())
        return -1;
    std::swap(m_nummern[static_cast<size_t>(zeile)], m_nummern[static_cast<size_t>(ziel)]);
    Q_EMIT dataChanged(index(std::min(zeile, ziel)), index(std::max(zeile, ziel)));
    return ziel;
}

void Warteliste::leeren()
{
    beginResetModel();
    m_nummern.clear();
    endResetModel();
}

int Warteliste::kopfNehmen()
{
    if (m_nummern.empty())
        return -1;
    const int N = m_nummern.front();
    entfernen(0);
    return N;
}

QString Warteliste::WartelisteSpeichern() const
{
    QStringList namen;
    namen.reserve(Wartend());
    for (const int N : m_nummern) {
        // A line break would end the line there, and every entry after it with it.
        if (QString name = m_bibliothek.name(N); !name.contains(u'\n'))
            namen.append(std::move(name));
    }
    namen += m_unsichtbar;
    const QString zeile = teileSchreiben(namen, u'/');
    return zeile.isEmpty() ? QStringLiteral("/") : zeile;
}

void Warteliste::WartelisteWiederherstellen(const QString& zeile, bool behalten)
{
    QHash<QString, int> erster;
    std::vector<int> nummern;
    m_unsichtbar.clear();
    // Read name by name, so that a huge line never becomes a huge list.
    for (const QStringView name : QStringTokenizer(zeile, u'/', Qt::SkipEmptyParts)) {
        if (static_cast<int>(nummern.size()) + m_unsichtbar.size() == Hoechstzahl)
            break;
        if (erster.isEmpty()) {
            for (int i = 0; i < m_bibliothek.size(); ++i) {
                const int N = m_bibliothek.nummer(i);
                const QString n = m_bibliothek.name(N);
                if (!erster.contains(n))
                    erster.insert(n, N);
            }
        }
        if (const auto it = erster.constFind(name.toString()); it != erster.cend())
            nummern.push_back(*it);
        else if (behalten)
            m_unsichtbar.append(name.toString());
    }
    beginResetModel();
    m_nummern = std::move(nummern);
    endResetModel();
}

int Warteliste::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Wartend();
}

QVariant Warteliste::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= Wartend())
        return {};
    return m_bibliothek.text(nummer(index.row()));
}
