#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The info window: a fixed text about the player.
class frminfo final : public QWidget
{
    Q_OBJECT
public:
    explicit frminfo(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(frminfo)

    QLabel* Label1 = nullptr;
    QPushButton* cmdback = nullptr;
};
