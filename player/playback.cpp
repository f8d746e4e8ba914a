#include "platform/intervaltimer.h"
#include "platform/mediadevice.h"
#include "platform/progressbar.h"
#include "platform/statusbar.h"
#include "player/frmplayer.h"

#include <QComboBox>
#include <QLabel>
#include <algorithm>
#include <cmath>

namespace
{
const QString modus = QStringLiteral("Modus");
}

void frmPlayer::setButtons(bool play, bool pause, bool stop, bool nextPrev)
{
    mscMusik->setPlayEnabled(play);
    mscMusik->setPauseEnabled(pause);
    mscMusik->setStopEnabled(stop);
    mscMusik->setNextEnabled(nextPrev);
    mscMusik->setPrevEnabled(nextPrev);
}

void frmPlayer::Play(int Liednr)
{
    // A position outside the list (a queue entry that left the library, an
    // empty library) plays nothing and changes nothing.
    if (Liednr < 0 || Liednr >= m_sortiert.size())
        return;
    const QString& E = m_sortiert.at(Liednr);
    const int N = NummerErmitteln(E);
    if (N < 0 || N >= static_cast<int>(m_ListeMitPfadNamen.size()))
        return;
    LIST1->setCurrentIndex(Liednr);
    lbltitel->setText(QString(E).remove(u'#' + QString::number(N) + u'#', Qt::CaseInsensitive));

    mscMusik->Command(QStringLiteral("close"));
    mscMusik->setFileName(m_ListeMitPfadNamen[static_cast<size_t>(N)]);
    mscMusik->Command(QStringLiteral("open"));
    mscMusik->Command(QStringLiteral("play"));
    if (!m_TonAn)
        mscMusik->setSilent(true);
    m_Liedende = false;
    StatusBar->setPanelText(modus, QStringLiteral("PLAY"));
    setButtons(false, true, true, true);
    Timer1->setIntervalOrStop(500);
}

void frmPlayer::mscMusik_PlayClick()
{
    Listennummer = LIST1->currentIndex();
    Play(Listennummer);
}

void frmPlayer::mscMusik_PauseClick()
{
    if (StatusBar->panelText(modus) == u"PAUSE") {
        StatusBar->setPanelText(modus, QStringLiteral("PLAY"));
        mscMusik->setNextEnabled(true);
        mscMusik->setStopEnabled(true);
        mscMusik->setPauseEnabled(true);
        mscMusik->setPrevEnabled(true);
        m_Liedende = false;
        Timer1->setIntervalOrStop(500);
    } else {
        StatusBar->setPanelText(modus, QStringLiteral("PAUSE"));
        mscMusik->setPlayEnabled(false);
        mscMusik->setNextEnabled(false);
        mscMusik->setStopEnabled(true);
        mscMusik->setPrevEnabled(false);
        m_Liedende = false;
        Timer1->setIntervalOrStop(0);
    }
}

void frmPlayer::mscMusik_StopClick()
{
    Timer1->setIntervalOrStop(0);
    mscMusik->Command(QStringLiteral("stop"));
    mscMusik->Command(QStringLiteral("open"));
    setButtons(true, false, false, false);
    m_Liedende = false;
    StatusBar->setPanelText(modus, QStringLiteral("STOP"));
}

void frmPlayer::mscMusik_NextClick()
{
    m_Liedende = true;
}

void frmPlayer::Fortschritt_MouseUp(double x)
{
    if (StatusBar->panelText(modus) != u"PLAY")
        return;
    const qint64 length = mscMusik->Length();
    // Nothing to seek in before the length is known; a release beside the bar
    // seeks to the start or the end.
    if (length == 0)
        return;
    const double fraction = std::clamp(x / Fortschritt->width(), 0.0, 1.0);
    const double target = static_cast<double>(length) * fraction;
    mscMusik->Command(QStringLiteral("Stop"));
    mscMusik->setFrom(static_cast<qint64>(std::nearbyint(target))); // halves to even
    mscMusik->Command(QStringLiteral("Play"));
}
