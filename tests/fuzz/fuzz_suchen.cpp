#include "core/suche.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <cstdint>

// The first line is the search text, every further line an entry. Typed one
// letter at a time, each text's hits hold every word of it, letter case
// ignored, and no entry that holds them all is missed.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The index is put in place through the event loop.
    static int argc = 1;
    static char name[] = "fuzz_suchen";
    static char* argv[] = {name, nullptr};
    static const QCoreApplication app(argc, argv);

    const QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
            .split(u'\n');
    const QString text = lines.first();
    const QStringList entries = lines.mid(1);
    Suche suche;
    QEventLoop warten;
    QObject::connect(&suche, &Suche::bereit, &warten, &QEventLoop::quit);
    suche.setInhalt(entries);
    warten.exec();

    for (qsizetype n = 1; n <= text.size(); ++n) {
        const QStringList words = text.left(n).split(u' ', Qt::SkipEmptyParts);
        std::vector<int> expected;
        for (qsizetype i = 0; i < entries.size(); ++i)
            if (std::all_of(words.begin(), words.end(), [&](const QString& w) {
                    return entries[i].toCaseFolded().contains(w.toCaseFolded());
                }))
                expected.push_back(static_cast<int>(i));
        if (suche.Suchen(text.left(n)) != expected)
            __builtin_trap();
    }
    return 0;
}
