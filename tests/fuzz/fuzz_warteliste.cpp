#include "tests/fuzz/harness.h"
#include "windows/frmwarteliste.h"

#include <QListWidget>

// Any queue line restores only library entries, and a written queue restores itself.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzPlayer& f = fuzzPlayer();
    frmPlayer& p = *f.player;
    QListWidget* queue = p.Warteliste->combowarteliste;
    queue->clear();
    f.write(QStringLiteral("Warteliste.wob"), data, size);
    p.WartelisteWiederherstellen();
    if (p.Wartend != queue->count())
        __builtin_trap();
    QStringList restored;
    for (int i = 0; i < queue->count(); ++i) {
        restored.append(queue->item(i)->text());
        if (!p.LIST1Eintraege().contains(restored.last()))
            __builtin_trap();
    }
    p.WartelisteSpeichern();
    queue->clear();
    p.WartelisteWiederherstellen();
    for (int i = 0; i < queue->count(); ++i)
        if (queue->item(i)->text() != restored.value(i))
            __builtin_trap();
    if (queue->count() != restored.size())
        __builtin_trap();
    return 0;
}
