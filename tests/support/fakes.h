#pragma once

#include "core/sitzung.h"
#include "gui/dialogs.h"
#include "tests/support/fakeengine.h"

#include <QTemporaryDir>
#include <memory>

// Answers questions from a script and records every message box.
class FakeDialogs final : public Dialogs
{
public:
    bool askYesNo(QWidget* parent, const QString& text, const QString& title) override;
    void inform(QWidget* parent, const QString& text) override;

    QList<bool> answers;   // the answers to the next questions; No when none is left
    QStringList questions; // "title: text"
    QStringList messages;
};

// A temporary folder that holds the data files and a music folder "M".
class Ordner
{
public:
    QString path(const QString& relative = {}) const { return m_dir.filePath(relative); }
    // Writes a file (creating its folders); returns its absolute path.
    QString write(const QString& relative, const QByteArray& content = {}) const;
    QByteArray read(const QString& relative) const;
    // Empty files in M and the source-path line that names M.
    void music(const QStringList& names) const;

private:
    QTemporaryDir m_dir;
};

// A session over a fake engine whose data files live in a temporary folder.
struct SitzungFixture {
    // Data files: an empty QByteArray leaves the file out.
    SitzungFixture(const QStringList& music, const QByteArray& settings = "00000\r\n",
                   const QByteArray& queue = {});

    Ordner ordner;
    FakeEngine* engine = nullptr; // owned by the session's playback
    std::unique_ptr<Sitzung> sitzung;
};
