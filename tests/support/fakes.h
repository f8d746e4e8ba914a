#pragma once

#include "platform/dialogs.h"
#include "platform/fakeengine.h"
#include "player/frmplayer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// Deletes the windows that closed themselves (they delete themselves later).
void flushDeletes();

// Answers questions from a script and records every message box.
class FakeDialogs final : public Dialogs
{
public:
    bool askYesNo(QWidget* parent, const QString& text, const QString& title) override;
    void inform(QWidget* parent, const QString& text) override;

    bool answer = false;   // what the next question is answered
    QStringList questions; // "title: text"
    QStringList messages;
};

// A main window over a fake engine, in a temporary working directory that
// holds its data files and a folder of (empty) media files.
class PlayerFixture
{
public:
    PlayerFixture();
    ~PlayerFixture();
    Q_DISABLE_COPY_MOVE(PlayerFixture)

    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    // Writes a file (creating its folders); returns its absolute path.
    QString write(const QString& relative, const QByteArray& content = {});
    QByteArray read(const QString& relative) const;
    bool exists(const QString& relative) const;

    // Runs the start-up with these data files (an empty QByteArray leaves a
    // file out; pass "\r\n" for an empty line).
    frmPlayer& start(const QByteArray& settings, const QByteArray& sourcePaths,
                     const QByteArray& queue = {});

    FakeEngine* engine = nullptr; // owned by the player's media device
    FakeDialogs dialogs;
    std::unique_ptr<frmPlayer> player;

private:
    QTemporaryDir m_dir;
    QString m_oldCwd;
};
