#include "core/liedangaben.h"

#include "core/dateischreiben.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QMimeDatabase>
#include <utility>

Liedangaben::Liedangaben(const QString& coverOrdner, QObject* parent)
    : QObject(parent), m_coverOrdner(coverOrdner)
{
}

Liedangaben::~Liedangaben()
{
    if (!m_coverDatei.isEmpty())
        QFile::remove(m_coverDatei);
}

void Liedangaben::setzen(const MediaEngine::Tags& tags)
{
    if (tags == m_tags)
        return;
    if (tags.cover != m_tags.cover) {
        const QString alt = std::exchange(m_coverDatei, QString());
        if (!tags.cover.isEmpty()) {
            // A new picture gets a new name: clients keep a picture by its name.
            // The process in it keeps a second player from removing this one's.
            const QString name =
                QString::number(QCoreApplication::applicationPid()) + u'-' +
                QString::fromLatin1(QCryptographicHash::hash(tags.cover, QCryptographicHash::Sha1)
                                        .toHex()
                                        .left(16)) +
                u'.' + QMimeDatabase().mimeTypeForName(tags.coverType).preferredSuffix();
            const QString datei = QDir(m_coverOrdner).filePath(name);
            if (QDir().mkpath(m_coverOrdner) && dateiErsetzen(datei, Dateiart::Cache, tags.cover))
                m_coverDatei = datei;
        }
        if (!alt.isEmpty() && alt != m_coverDatei)
            QFile::remove(alt);
    }
    m_tags = tags;
    Q_EMIT geaendert();
}
