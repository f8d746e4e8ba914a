#pragma once

#include <QString>

// Short media files made with GStreamer while the tests run, so that no
// binary test data lives in the repository.
namespace TestMedia
{

// Writes about one second of sound (with moving pictures for avi and mpg) in
// the format that the extension of `path` names: wav, mp3 (with Xing header),
// wma, avi, mpg or mid; jpg writes a still picture. False when that failed.
bool create(const QString& path);

// Runs a gst-launch style pipeline to its end; false on an error.
bool run(const QString& pipeline);

} // namespace TestMedia
