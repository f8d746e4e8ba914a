#include "core/optionen.h"
#include "tests/fuzz/harness.h"

// Any settings line gives options that are digits and write back unchanged.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Optionen o = Optionen::ausZeile(zeile(data, size));
    for (const int option : {o.WartelisteninhaltSpeichern, o.Zufallsstart, o.BeimStartLiedSpielen,
                             o.MinimiertStarten, o.DateiEndungenRegel})
        if (option < 0 || option > 9)
            __builtin_trap();
    if (Optionen::ausZeile(o.zeile()) != o || o.zeile().size() != 5)
        __builtin_trap();
    return 0;
}
