#include "windows/frmsuchen.h"

#include <QCloseEvent>

frmSuchen::frmSuchen(frmPlayer& player) : m_player(player)
{
    setWindowTitle(QStringLiteral("Suchen"));
}

void frmSuchen::setInhalt(const QStringList& sortiert) { m_inhalt = sortiert; }

void frmSuchen::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
}
