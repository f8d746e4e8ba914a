#include "tests/fuzz/harness.h"

// Any settings line leaves every option at a value it can store again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzPlayer& f = fuzzPlayer();
    f.write(QStringLiteral("Einstellungen.wob"), data, size);
    frmPlayer& p = *f.player;
    p.EinstellungenWiederherstellen(QStringLiteral("Einstellungen.wob"));
    for (const int option : {p.WartelisteninhaltSpeichern, p.Zufallsstart, p.BeimStartLiedSpielen,
                             p.MinimiertStarten, p.DateiEndungenRegel})
        if (option < 0 || option > 9)
            __builtin_trap();
    if (p.AlleDateien() != (p.DateiEndungenRegel == 0))
        __builtin_trap();
    return 0;
}
