#pragma once

#include <QString>

// Short media files made with GStreamer, so that no binary test data lives in
// the repository: by the tests while they run, by makemedia for the end-to-end
// tests, and as the encoder of the demo library.
namespace TestMedia
{

// Writes `tenths` tenths of a second (7 to 85) of sound, with moving pictures
// for avi and mpg, in the format that the extension of `path` names: wav, mp3
// (with Xing header), wma, avi, mpg or mid; jpg writes a still picture. False
// when that failed.
bool create(const QString& path, int tenths = 10);

// Encodes the WAV file `wav` into the format that the extension of `path`
// names: wav, mp3 or wma.
bool encode(const QString& wav, const QString& path);

// Runs a gst-launch style pipeline to its end in a gst-launch-1.0 of its own;
// false on an error.
bool run(const QString& pipeline);

} // namespace TestMedia
