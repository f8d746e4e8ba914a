#pragma once

#include <QWidget>

class frmQuellpfad final : public QWidget {
    Q_OBJECT
public:
    frmQuellpfad();
    Q_DISABLE_COPY_MOVE(frmQuellpfad)
};
