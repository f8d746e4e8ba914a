#include "windows/frminfo.h"

frminfo::frminfo()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Info"));
}
