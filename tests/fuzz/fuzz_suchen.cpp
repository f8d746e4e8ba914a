#include "tests/fuzz/harness.h"
#include "windows/frmsuchen.h"

// The first line is the search text, every further line an entry. Every hit
// holds every word of the text, letter case ignored, and no entry that holds
// them all is missed.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzPlayer();
    const QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
            .split(u'\n');
    const QString text = lines.first();
    const QStringList entries = lines.mid(1);
    QStringList hits{QStringLiteral("schon da")};
    frmSuchen::Suchen(text, entries, hits);
    if (hits.takeFirst() != u"schon da")
        __builtin_trap();

    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    QStringList expected;
    for (const QString& entry : entries)
        if (std::all_of(words.begin(), words.end(), [&](const QString& w) {
                return entry.toCaseFolded().contains(w.toCaseFolded());
            }))
            expected.append(entry);
    if (hits != expected)
        __builtin_trap();
    return 0;
}
