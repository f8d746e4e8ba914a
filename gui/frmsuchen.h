#pragma once

#include <QWidget>

class Dialogs;
class Sitzung;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class Trefferliste;

// The search window: finds library entries by parts of their names while the
// user types. It is created hidden at start and only ever hidden again.
class frmSuchen final : public QWidget
{
    Q_OBJECT
public:
    frmSuchen(Sitzung& sitzung, Dialogs& dialogs, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(frmSuchen)

    void txtSuchtext_Change();
    void txtSuchtext_DblClick();
    void cmdJetztSpielen_Click();
    void cmdWarteListe_Click();
    void cmdZurück_Click();

    QLineEdit* txtSuchtext = nullptr;
    QLabel* lblTreffer = nullptr;
    QListView* combosuchen = nullptr;
    QPushButton* cmdWarteListe = nullptr;
    QPushButton* cmdJetztSpielen = nullptr;
    QPushButton* cmdZurück = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Library entry N of the selected hit; -1 when none is selected.
    int markierterTreffer() const;

    Sitzung& m_sitzung;
    Dialogs& m_dialogs;
    Trefferliste* m_treffer = nullptr;
};
