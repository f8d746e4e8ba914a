#include "windows/frmeinstellungen.h"

frmEinstellungen::frmEinstellungen(frmPlayer& player) : m_player(player)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Einstellungen"));
}
