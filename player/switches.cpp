#include "platform/mediadevice.h"
#include "platform/statusbar.h"
#include "player/frmplayer.h"

#include <QPushButton>

void frmPlayer::cmdVolume_Click()
{
    cmdVolume->hide();
    cmdnovolume->show();
    m_TonAn = false;
    StatusBar->setPanelText(QStringLiteral("Ton"), QStringLiteral("Ton aus"));
    mscMusik->setSilent(true);
}

void frmPlayer::cmdnovolume_Click()
{
    cmdnovolume->hide();
    cmdVolume->show();
    m_TonAn = true;
    StatusBar->setPanelText(QStringLiteral("Ton"), QStringLiteral("Ton an"));
    mscMusik->setSilent(false);
}

void frmPlayer::ZufallEinAus(const QString& Ziel)
{
    if (Ziel == u"Ein") {
        cmdzufall->hide();
        cmdKeinzufall->show();
        m_ZufallAn = true;
        StatusBar->setPanelText(QStringLiteral("Zufall"), QStringLiteral("Ein"));
    } else if (Ziel == u"Aus") {
        cmdKeinzufall->hide();
        cmdzufall->show();
        m_ZufallAn = false;
        StatusBar->setPanelText(QStringLiteral("Zufall"), QStringLiteral("Aus"));
    }
}

void frmPlayer::cmdzufall_Click()
{
    ZufallEinAus(QStringLiteral("Ein"));
}

void frmPlayer::cmdKeinzufall_Click()
{
    ZufallEinAus(QStringLiteral("Aus"));
}
