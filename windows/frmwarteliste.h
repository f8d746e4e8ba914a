#pragma once

#include <QWidget>

class frmPlayer;
class QListView;
class QListWidget;
class QStringListModel;

// The queue window. It holds the queue itself (combowarteliste, entry 0 plays
// next), so it is created hidden at start and only ever hidden again.
class frmWarteliste final : public QWidget
{
    Q_OBJECT
public:
    explicit frmWarteliste(frmPlayer& player);
    Q_DISABLE_COPY_MOVE(frmWarteliste)

    // Every library entry, sorted, to choose from.
    void setLieder(const QStringList& sortiert);

    void cmdhinzufügen_Click();
    void cmdEntfernen_Click();
    void cmdHoch_Click();
    void cmdRunter_Click();
    void cmdlöschen_Click();
    void cmdZurück_Click();

    QListView* comboLieder = nullptr;
    QListWidget* combowarteliste = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void swapWithSelected(int offset);

    frmPlayer& m_player;
    QStringListModel* m_lieder = nullptr;
};
