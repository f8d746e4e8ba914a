#include "core/sortierung.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <span>
#include <thread>

namespace
{

// Letters that a German reader spells out rather than drops into one.
QString ausgeschrieben(QChar c)
{
    switch (c.unicode()) {
    case u'ß':
        return QStringLiteral("ss");
    case u'æ':
        return QStringLiteral("ae");
    case u'œ':
        return QStringLiteral("oe");
    case u'ø':
        return QStringLiteral("o");
    case u'ð':
        return QStringLiteral("d");
    case u'þ':
        return QStringLiteral("th");
    default:
        return QString(c);
    }
}

QString slowSortKey(const QString& text)
{
    QString key = text.normalized(QString::NormalizationForm_D);
    key.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    key = key.toCaseFolded();
    QString spelt;
    spelt.reserve(key.size());
    for (const QChar c : std::as_const(key))
        spelt += ausgeschrieben(c);
    return spelt;
}

struct Keyed {
    // The key's first eight letters as two numbers that compare as they do:
    // most comparisons end there, without a look into the keys' buffer.
    std::array<std::uint64_t, 2> prefix;
    QStringView key;
    int N;
};

std::array<std::uint64_t, 2> prefixOf(QStringView key)
{
    std::array<std::uint64_t, 2> prefix{};
    for (qsizetype i = 0; i < std::min<qsizetype>(key.size(), 8); ++i)
        prefix[static_cast<size_t>(i / 4)] |= std::uint64_t{key[i].unicode()}
                                              << (48 - 16 * (i % 4));
    return prefix;
}

// Keys the texts of entries `ns` into `keyed` and one buffer that holds the
// keys until the sort is done: a million keys of their own would cost a
// million allocations and more memory than the texts.
void keyEntries(const QStringList& texts, std::span<const int> ns, std::u16string& keys,
                Keyed* keyed)
{
    qsizetype letters = 0;
    for (const int N : ns)
        letters += texts[N].size();
    keys.reserve(static_cast<size_t>(letters + letters / 8));
    std::vector<size_t> starts;
    starts.reserve(ns.size() + 1);
    for (const int N : ns) {
        starts.push_back(keys.size());
        appendSortKey(texts[N], keys);
    }
    starts.push_back(keys.size());
    for (size_t k = 0; k < ns.size(); ++k) {
        const QStringView key(keys.data() + starts[k],
                              static_cast<qsizetype>(starts[k + 1] - starts[k]));
        keyed[k] = {prefixOf(key), key, ns[k]};
    }
}

bool keyedLess(const QStringList& texts, const Keyed& a, const Keyed& b)
{
    if (a.prefix != b.prefix)
        return a.prefix < b.prefix;
    return vor(a.key, texts[a.N], b.key, texts[b.N]);
}

} // namespace

// Names in Latin-1, nearly all of a library, take their key letter by letter
// from a table that the full rule filled, at a fraction of its cost.
void appendSortKey(QStringView text, std::u16string& keys)
{
    struct Letters {
        char16_t first = 0, second = 0; // second is 0 for a single letter
    };
    constexpr char16_t noTableEntry = 0xffff;
    static const std::array<Letters, 256> latin1 = [] {
        std::array<Letters, 256> table{};
        for (char16_t c = 0; c < 256; ++c) {
            const QString key = slowSortKey(QString(QChar(c)));
            if (key.size() == 1)
                table[c] = {key[0].unicode(), 0};
            else if (key.size() == 2)
                table[c] = {key[0].unicode(), key[1].unicode()};
            else
                table[c] = {noTableEntry, 0};
        }
        return table;
    }();
    const size_t start = keys.size();
    for (const QChar c : text) {
        const Letters l = c.unicode() < 256 ? latin1[c.unicode()] : Letters{noTableEntry, 0};
        if (l.first == noTableEntry) {
            keys.resize(start);
            const QString slow = slowSortKey(text.toString());
            keys.append(QStringView(slow).utf16(), static_cast<size_t>(slow.size()));
            return;
        }
        keys += l.first;
        if (l.second)
            keys += l.second;
    }
}

// The display order: by sort key, ties by the text itself.
bool vor(QStringView keyA, const QString& a, QStringView keyB, const QString& b)
{
    if (const int c = keyA.compare(keyB); c != 0)
        return c < 0;
    return a < b;
}

std::vector<int> sortedForDisplay(const QStringList& texts)
{
    const auto less = [&](const Keyed& a, const Keyed& b) { return keyedLess(texts, a, b); };
    // Two halves keyed and sorted side by side, then merged.
    const qsizetype n = texts.size();
    const qsizetype mid = n / 2;
    std::vector<int> ns(static_cast<size_t>(n));
    std::iota(ns.begin(), ns.end(), 0);
    std::vector<Keyed> keyed(static_cast<size_t>(n));
    std::u16string keys[2];
    const auto half = [&](qsizetype from, qsizetype to, std::u16string& buffer) {
        keyEntries(texts, std::span(ns).subspan(from, to - from), buffer, keyed.data() + from);
        std::sort(keyed.begin() + from, keyed.begin() + to, less);
    };
    {
        const std::jthread second([&] { half(mid, n, keys[1]); });
        half(0, mid, keys[0]);
    }
    std::inplace_merge(keyed.begin(), keyed.begin() + mid, keyed.end(), less);
    std::vector<int> order;
    order.reserve(keyed.size());
    for (const Keyed& k : keyed)
        order.push_back(k.N);
    return order;
}

// The display order when most entries come in an order that was sorted
// before (`kept`, by their numbers now): only the others are sorted, and
// merged in while one pass checks that the kept ones are still in order. A
// renumbered entry may now tie the other way with its twin ("#9#" after
// "#10#", then "#10#" before "#11#"): the few such go in one by one after.
std::vector<int> mergedForDisplay(const QStringList& texts, const std::vector<int>& kept)
{
    std::vector<char> isKept(static_cast<size_t>(texts.size()));
    for (const int N : kept)
        isKept[static_cast<size_t>(N)] = 1;
    std::vector<int> added;
    for (int N = 0; N < texts.size(); ++N)
        if (!isKept[static_cast<size_t>(N)])
            added.push_back(N);
    std::vector<Keyed> keyedAdded(added.size());
    std::u16string addedKeys;
    keyEntries(texts, added, addedKeys, keyedAdded.data());
    const auto less = [&](const Keyed& a, const Keyed& b) { return keyedLess(texts, a, b); };
    std::sort(keyedAdded.begin(), keyedAdded.end(), less);

    std::vector<int> order;
    order.reserve(static_cast<size_t>(texts.size()));
    std::vector<int> outOfOrder;
    auto next = keyedAdded.cbegin();
    std::u16string keys[2];
    size_t spare = 0; // the buffer that does not hold the previous key
    Keyed previous{};
    for (size_t k = 0; k < kept.size(); ++k) {
        std::u16string& key = keys[spare];
        key.clear();
        appendSortKey(texts[kept[k]], key);
        const QStringView view(key.data(), static_cast<qsizetype>(key.size()));
        const Keyed current{prefixOf(view), view, kept[k]};
        if (!order.empty() && !less(previous, current)) {
            outOfOrder.push_back(current.N);
            continue;
        }
        for (; next != keyedAdded.cend() && less(*next, current); ++next)
            order.push_back(next->N);
        order.push_back(current.N);
        previous = current;
        spare = 1 - spare;
    }
    for (; next != keyedAdded.cend(); ++next)
        order.push_back(next->N);
    if (outOfOrder.size() > 256)
        return sortedForDisplay(texts);
    const auto keyedOf = [](const QString& text, int N, std::u16string& key) {
        key.clear();
        appendSortKey(text, key);
        const QStringView view(key.data(), static_cast<qsizetype>(key.size()));
        return Keyed{prefixOf(view), view, N};
    };
    for (const int N : outOfOrder) {
        std::u16string key, other;
        const Keyed entry = keyedOf(texts[N], N, key);
        const auto place = std::partition_point(order.begin(), order.end(), [&](int M) {
            return less(keyedOf(texts[M], M, other), entry);
        });
        order.insert(place, N);
    }
    return order;
}

QString sortKey(const QString& text)
{
    std::u16string key;
    appendSortKey(text, key);
    return QString::fromStdU16String(key);
}
