#pragma once

#include <QStringList>
#include <QWidget>

class frmPlayer;

// The search window (to be completed): created hidden at start, holds a copy
// of the library to search.
class frmSuchen final : public QWidget {
    Q_OBJECT
public:
    explicit frmSuchen(frmPlayer& player);
    Q_DISABLE_COPY_MOVE(frmSuchen)

    void setInhalt(const QStringList& sortiert);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    frmPlayer& m_player;
    QStringList m_inhalt;
};
