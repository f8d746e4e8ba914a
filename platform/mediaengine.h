#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <filesystem>
#include <functional>

// What the player needs of something that plays one media file at a time.
// Commands and properties carry the names the player logic uses for them.
class MediaEngine
{
public:
    enum class Mode { NotReady, Stopped, Playing, Paused };

    // What the open file says about itself; empty where it says nothing.
    struct Tags {
        QString title, album;
        QStringList artists, albumArtists, genres;
        int trackNumber = 0;
        QByteArray cover;  // the embedded picture as the file holds it
        QString coverType; // its MIME type, such as "image/jpeg"
        bool operator==(const Tags&) const = default;
    };

    virtual ~MediaEngine() = default;

    // "open", "close", "play", "stop", in any letter case. None of them waits
    // for the file: "open" starts to open the file last given to setFileName,
    // and its length is known once Length() is other than 0; a file that does
    // not open counts as failed.
    virtual void Command(const QString& command) = 0;
    virtual void setFileName(const std::filesystem::path& file) = 0;
    // Goes on playing from this position of the open file.
    virtual void seek(qint64 ms) = 0;
    virtual void setSilent(bool silent) = 0;
    // The file to go on with, without a gap, when the open one ends; `id` comes
    // back with the next handler when the engine takes it and when it is
    // heard. An empty path takes it back; the next open forgets it. Where no
    // gapless change is possible the open file ends as usual.
    virtual void setNext(const std::filesystem::path& file, int id) = 0;

    // The button bar's own actions.
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void rewind() = 0;

    // Takes in what the engine has to report (end of stream, a failure). The
    // queries below answer from what the last poll or event-loop pass saw.
    virtual void poll() = 0;
    virtual qint64 Length() const = 0;
    virtual qint64 Position() const = 0;
    virtual Mode mode() const = 0;
    // The open file cannot be played: it could not be opened or decoding failed.
    virtual bool failed() const = 0;

    // Called from the event loop as soon as the open file ends or fails, so the
    // player need not wait for its next tick.
    void setEndHandler(std::function<void()> handler) { m_endHandler = std::move(handler); }
    // Called with all tags of the open file so far: empty when a file opens,
    // then from the event loop whenever more arrive.
    void setTagHandler(std::function<void(const Tags&)> handler)
    {
        m_tagHandler = std::move(handler);
    }
    // Called from the event loop with the id of a file given to setNext:
    // Taken when the engine decodes it after the open file (another one may be
    // given for after it), Started when it is heard and is the open file.
    enum class Next { Taken, Started };
    void setNextHandler(std::function<void(Next, int id)> handler)
    {
        m_nextHandler = std::move(handler);
    }

protected:
    void reportEnd() const
    {
        if (m_endHandler)
            m_endHandler();
    }
    void reportTags(const Tags& tags) const
    {
        if (m_tagHandler)
            m_tagHandler(tags);
    }
    void reportNext(Next what, int id) const
    {
        if (m_nextHandler)
            m_nextHandler(what, id);
    }

private:
    std::function<void()> m_endHandler;
    std::function<void(const Tags&)> m_tagHandler;
    std::function<void(Next, int)> m_nextHandler;
};
