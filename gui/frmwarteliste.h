#pragma once

#include <QWidget>

class Dialogs;
class Sitzung;
class QListView;

// The queue window: the library to choose from and the queue to edit. It is
// created hidden at start and only ever hidden again. It has no owner: the
// main window comes to the front on "&Zurück" by the signal.
class frmWarteliste final : public QWidget
{
    Q_OBJECT
public:
    frmWarteliste(Sitzung& sitzung, Dialogs& dialogs, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(frmWarteliste)

    void cmdhinzufügen_Click();
    void cmdEntfernen_Click();
    void cmdHoch_Click();
    void cmdRunter_Click();
    void cmdlöschen_Click();
    void cmdZurück_Click();

    QListView* comboLieder = nullptr;
    QListView* combowarteliste = nullptr;

Q_SIGNALS:
    // "&Zurück" was pressed (the close box only hides).
    void zurueck();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void verschieben(int richtung);

    Sitzung& m_sitzung;
    Dialogs& m_dialogs;
};

// The row the user selected in a list; -1 when none is (the current row that
// a list gets with the focus is no selection).
int markierteZeile(const QListView* liste);
