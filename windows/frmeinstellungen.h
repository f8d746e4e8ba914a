#pragma once

#include <QWidget>

class frmPlayer;

class frmEinstellungen final : public QWidget {
    Q_OBJECT
public:
    explicit frmEinstellungen(frmPlayer& player);
    Q_DISABLE_COPY_MOVE(frmEinstellungen)

private:
    frmPlayer& m_player;
};
