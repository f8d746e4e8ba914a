#pragma once

#include <QWidget>

class frminfo final : public QWidget {
    Q_OBJECT
public:
    frminfo();
    Q_DISABLE_COPY_MOVE(frminfo)
};
