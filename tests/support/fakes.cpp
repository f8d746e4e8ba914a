#include "tests/support/fakes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool FakeDialogs::askYesNo(QWidget*, const QString& text, const QString& title)
{
    questions.append(title + QStringLiteral(": ") + text);
    return !answers.isEmpty() && answers.takeFirst();
}

void FakeDialogs::inform(QWidget*, const QString& text)
{
    messages.append(text);
}

QString Ordner::write(const QString& relative, const QByteArray& content) const
{
    const QString file = path(relative);
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    return file;
}

QByteArray Ordner::read(const QString& relative) const
{
    QFile f(path(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Ordner::music(const QStringList& names) const
{
    QDir().mkpath(path(QStringLiteral("M")));
    for (const QString& name : names)
        write(QStringLiteral("M/") + name);
    write(QStringLiteral("Quellpfad.wob"), path(QStringLiteral("M")).toUtf8() + ";\r\n");
}

SitzungFixture::SitzungFixture(const QStringList& music, const QByteArray& settings,
                               const QByteArray& queue)
{
    ordner.music(music);
    if (!settings.isEmpty())
        ordner.write(QStringLiteral("Einstellungen.wob"), settings);
    if (!queue.isEmpty())
        ordner.write(QStringLiteral("Warteliste.wob"), queue);
    auto fake = std::make_unique<FakeEngine>();
    engine = fake.get();
    sitzung = std::make_unique<Sitzung>(std::move(fake), ordner.path());
}
