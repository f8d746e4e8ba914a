// Writes the recordings that the end-to-end scenarios play into a folder.
// Each lasts 1.2 s: on the half-second ticks a track then shows two
// percentages (about 40 and 80), so that its own percentage never equals the
// one it inherits from the track before.
// Usage: makemedia DIR
#include "tests/support/testmedia.h"

#include <QDir>
#include <QFile>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const QDir dir(QFile::decodeName(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "makemedia: cannot make %s\n", argv[1]);
        return 1;
    }
    for (const char* name :
         {"tone.wav", "tone.mp3", "tone.wma", "clip.avi", "clip.mpg", "chord.mid", "picture.jpg"}) {
        if (!TestMedia::create(dir.filePath(QLatin1StringView(name)), 12)) {
            std::fprintf(stderr, "makemedia: could not write %s\n", name);
            return 1;
        }
    }
    return 0;
}
