#pragma once

#include "platform/mediaengine.h"

#include <QObject>
#include <QString>

// What the playing track's file says about itself (title, artists, album,
// cover), for the desktop's media controls; the windows show file names. The
// cover goes into a file of its own in a cache folder, so that a client can
// load it by name; the one of the track before is removed, and the last one at
// the end.
class Liedangaben final : public QObject
{
    Q_OBJECT
public:
    explicit Liedangaben(const QString& coverOrdner, QObject* parent = nullptr);
    ~Liedangaben() override;
    Q_DISABLE_COPY_MOVE(Liedangaben)

    void setzen(const MediaEngine::Tags& tags);
    const MediaEngine::Tags& tags() const { return m_tags; }
    // The cover's file; empty when the track has none or it could not be written.
    const QString& coverDatei() const { return m_coverDatei; }

Q_SIGNALS:
    void geaendert();

private:
    QString m_coverOrdner;
    MediaEngine::Tags m_tags;
    QString m_coverDatei;
};
