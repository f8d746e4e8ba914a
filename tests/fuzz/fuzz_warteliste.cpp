#include "core/warteliste.h"
#include "tests/fuzz/harness.h"

// Any queue line restores only library entries, and a written queue restores itself.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Bibliothek& b = fuzzBibliothek();
    Warteliste w(b);
    w.WartelisteWiederherstellen(zeile(data, size));
    for (int i = 0; i < w.Wartend(); ++i)
        if (b.ListennummerErmitteln(w.nummer(i)) < 0)
            __builtin_trap();
    Warteliste again(b);
    again.WartelisteWiederherstellen(w.WartelisteSpeichern());
    if (again.Wartend() != w.Wartend())
        __builtin_trap();
    for (int i = 0; i < again.Wartend(); ++i)
        if (again.nummer(i) != w.nummer(i))
            __builtin_trap();
    return 0;
}
