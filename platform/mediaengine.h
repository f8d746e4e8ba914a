#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <filesystem>
#include <functional>

// What the player needs of something that plays one media file at a time.
// No call waits for the file: the outcome shows in the queries and handlers.
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

    // Closes what is open and starts to open `file`, stopped at its start. Its
    // length is known once Length() is other than 0; a file that does not
    // open within a bound counts as failed.
    virtual void open(const std::filesystem::path& file) = 0;
    virtual void close() = 0;
    virtual void play() = 0;
    // Halts and goes back to the start of the open file.
    virtual void stop() = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    // Goes on from this position of the open file (0: the button bar's Prev).
    virtual void seek(qint64 ms) = 0;
    // For this file and every one opened after it.
    virtual void setSilent(bool silent) = 0;
    // The file to go on with, without a gap, when the open one ends; `id` comes
    // back with the next handler. An empty path takes it back; open forgets
    // it. Where no gapless change is possible the open file ends as usual.
    virtual void setNext(const std::filesystem::path& file, int id) = 0;

    // Takes in what the engine has to report (end of stream, a failure). The
    // queries below answer at once from what the engine last saw.
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
    // Called with the id of a file given to setNext. Taken: the engine decodes
    // it after the open file (another one may be given for after it).
    // Started: it is heard and is the open file. Dropped: a file taken will not
    // follow after all, since open, stop or seek started the open file anew;
    // the engine forgets the file given as well, and takes a new one.
    enum class Next { Taken, Started, Dropped };
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
