#include "windows/frmquellpfad.h"

frmQuellpfad::frmQuellpfad()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Quellpfade ändern"));
}
