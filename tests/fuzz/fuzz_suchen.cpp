#include "core/suche.h"

#include <algorithm>
#include <cstdint>

// The first line is the search text, every further line an entry. Every hit
// holds every word of the text, letter case ignored, and no entry that holds
// them all is missed.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
            .split(u'\n');
    const QString text = lines.first();
    const QStringList entries = lines.mid(1);
    Suche suche;
    suche.setInhalt(entries);

    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    std::vector<int> expected;
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (std::all_of(words.begin(), words.end(), [&](const QString& w) {
                return entries[i].toCaseFolded().contains(w.toCaseFolded());
            }))
            expected.push_back(static_cast<int>(i));
    if (suche.Suchen(text) != expected)
        __builtin_trap();
    return 0;
}
