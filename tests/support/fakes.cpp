#include "tests/support/fakes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool FakeDialogs::askYesNo(QWidget*, const QString& text, const QString& title)
{
    questions.append(title + QStringLiteral(": ") + text);
    return answer;
}

void FakeDialogs::inform(QWidget*, const QString& text)
{
    messages.append(text);
}

PlayerFixture::PlayerFixture() : m_oldCwd(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
    auto fake = std::make_unique<FakeEngine>();
    engine = fake.get();
    player = std::make_unique<frmPlayer>(std::move(fake), dialogs);
}

PlayerFixture::~PlayerFixture()
{
    player.reset();
    QDir::setCurrent(m_oldCwd);
}

QString PlayerFixture::write(const QString& relative, const QByteArray& content)
{
    const QString file = m_dir.filePath(relative);
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    return file;
}

QByteArray PlayerFixture::read(const QString& relative) const
{
    QFile f(m_dir.filePath(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool PlayerFixture::exists(const QString& relative) const
{
    return QFileInfo::exists(m_dir.filePath(relative));
}

frmPlayer& PlayerFixture::start(const QByteArray& settings, const QByteArray& sourcePaths,
                                const QByteArray& queue)
{
    if (!settings.isNull())
        write(QStringLiteral("Einstellungen.wob"), settings);
    if (!sourcePaths.isNull())
        write(QStringLiteral("Quellpfad.wob"), sourcePaths);
    if (!queue.isNull())
        write(QStringLiteral("Warteliste.wob"), queue);
    player->Form_Load();
    return *player;
}
