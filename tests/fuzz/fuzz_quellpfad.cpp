#include "tests/fuzz/harness.h"

// A source-path line reads into paths that write back and read again unchanged.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString line = zeile(data, size);
    if (line.contains(u'\n'))
        __builtin_trap();
    const QStringList paths = teileLesen(line, u';');
    for (const QString& path : paths)
        if (path.isEmpty() || path.contains(u';'))
            __builtin_trap();
    if (teileLesen(teileSchreiben(paths, u';'), u';') != paths)
        __builtin_trap();
    return 0;
}
