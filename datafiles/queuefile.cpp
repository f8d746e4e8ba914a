#include "datafiles/linestore.h"
#include "player/frmplayer.h"
#include "windows/frmwarteliste.h"

#include <QHash>
#include <QListWidget>

namespace
{

const QString queueFile = QStringLiteral("Warteliste.wob");

// The file name of an entry: its text without the "   #N#" marker at its end.
QString entryName(const QString& text)
{
    const int N = frmPlayer::NummerErmitteln(text);
    if (N < 0)
        return text.trimmed();
    const QString marker = u'#' + QString::number(N) + u'#';
    return text.left(text.size() - marker.size()).trimmed();
}

} // namespace

void frmPlayer::WartelisteSpeichern()
{
    QStringList namen;
    const QListWidget* queue = Warteliste->combowarteliste;
    for (int i = 0; i < queue->count(); ++i)
        namen.append(entryName(queue->item(i)->text()));
    const QString zeile = teileSchreiben(namen, u'/');
    Speichern(zeile.isEmpty() ? QStringLiteral("/") : zeile, queueFile);
}

void frmPlayer::WartelisteWiederherstellen()
{
    const QStringList namen = teileLesen(Lesen(queueFile), u'/');
    if (!namen.isEmpty()) {
        // Each stored name brings back the first library entry of exactly that name.
        QHash<QString, QString> first;
        for (const QString& text : std::as_const(m_sortiert)) {
            const QString name = entryName(text);
            if (!first.contains(name))
                first.insert(name, text);
        }
        QStringList queue;
        for (const QString& name : namen)
            if (const auto it = first.constFind(name); it != first.cend())
                queue.append(*it);
        // In one step: a list view takes a long queue far faster at once.
        Warteliste->combowarteliste->addItems(queue);
    }
    Wartend = Warteliste->combowarteliste->count();
}
