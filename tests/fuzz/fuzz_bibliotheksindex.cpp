#include "tests/fuzz/harness.h"

#include <QBuffer>
#include <cstring>

// Any bytes as an index file, with the sum at the end made to fit: refused, or
// read back to the same bytes and into a library whose entries all answer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (bytes.size() >= 8) {
        const std::uint64_t summe = indexPruefsumme(QByteArrayView(bytes).chopped(8));
        std::memcpy(bytes.data() + bytes.size() - 8, &summe, 8);
    }
    const IndexSchluessel schluessel{{QStringLiteral("/fehlt")}, false};
    QBuffer quelle(&bytes);
    quelle.open(QIODevice::ReadOnly);
    const std::optional<Lesung> lesung = indexLesen(quelle, schluessel);
    if (!lesung)
        return 0;
    QByteArray wieder;
    QBuffer ziel(&wieder);
    ziel.open(QIODevice::WriteOnly);
    if (!indexSchreiben(ziel, schluessel, *lesung, lesung->nummern) || wieder != bytes)
        __builtin_trap();

    // The same through a library that starts from it: /fehlt is not there,
    // so the index stands for it as long as its folders say so.
    static QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("index"));
    {
        QFile f(datei);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 0;
    }
    Bibliothek b;
    b.AlleDateienAusAllenPfadenEinlesen(schluessel.pfade, schluessel.alleDateien, datei);
    b.ListeÜbertragen();
    for (int i = 0; i < b.size(); ++i) {
        const int N = b.nummer(i);
        if (b.ListennummerErmitteln(N) != i || !b.text(N).endsWith(u'#'))
            __builtin_trap();
        (void)b.name(N);
        (void)b.pfad(N);
    }
    return 0;
}
