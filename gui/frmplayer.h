#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>

class Dialogs;
class Sitzung;
class MediaDevice;
class PanelStatusBar;
class ClickableProgressBar;
class QComboBox;
class QLabel;
class QPushButton;
class frmWarteliste;
class frmSuchen;
class frmEinstellungen;
class frmQuellpfad;
class frminfo;
class frmLaden;

// The main window: shows the session (track chooser, title, times, progress,
// button bar, switches, status panels) and forwards what the user does to it.
class frmPlayer final : public QMainWindow
{
    Q_OBJECT
public:
    frmPlayer(Sitzung& sitzung, Dialogs& dialogs, QWidget* parent = nullptr);
    ~frmPlayer() override;
    Q_DISABLE_COPY_MOVE(frmPlayer)

    // Start-up before the window is first shown: begins the read, and
    // `geladen` follows once the session is restored.
    void Form_Load();
    bool istGeladen() const { return m_geladen; }
    void Form_Unload(bool& Cancel);
    // Ends as the answer Ja to the exit question does; false when a data file
    // could not be written and the user keeps the program open.
    bool speichernUndBeenden();
    // The same without a question, when nobody is there to answer one: what
    // could not be written goes to standard error. Before the session is
    // restored, it ends without writing anything.
    void ohneFrageBeenden();
    // Saves as that does, and runs on.
    void ohneFrageSpeichern();
    // Brings the window to the front, restored when minimised.
    void hervorholen();
    void mnuEnde_Click();
    void mnuminimieren_Click();
    void mnuInfo_Click();
    void mnuwarteliste_Click();
    void mnuSuchen_Click();
    void mnuEinstellungen_Click();
    void mnuPfade_Click();
    void Fortschritt_MouseUp(double x);
    void BalkenZeichnen(int Prozent);

    QComboBox* LIST1 = nullptr;
    MediaDevice* mscMusik = nullptr;
    ClickableProgressBar* Fortschritt = nullptr;
    QLabel* lbltitel = nullptr;
    QLabel* lblprozent = nullptr;
    QLabel* lblDauerBisher = nullptr;
    QLabel* lblDauerGesamt = nullptr;
    QPushButton* cmdzufall = nullptr;
    QPushButton* cmdKeinzufall = nullptr;
    QPushButton* cmdVolume = nullptr;
    QPushButton* cmdnovolume = nullptr;
    PanelStatusBar* StatusBar = nullptr;

    // The secondary windows are windows of their own on the desktop, without
    // an owner, and end with the main window at the latest. These two live as
    // long as it does.
    frmWarteliste* Warteliste = nullptr;
    frmSuchen* Suchen = nullptr;
    // Loaded when the menu first shows them; gone again once unloaded.
    QPointer<frmEinstellungen> Einstellungen;
    QPointer<frmQuellpfad> Quellpfad;
    QPointer<frminfo> Info;

Q_SIGNALS:
    void geladen();
    // The user confirmed the end; the application leaves its event loop.
    void Programmende();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Files and folders dropped from a file manager open as on the command line.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void connectSession();
    void zeigen();
    // Writes the data files, the list of an open source-paths window among them.
    QStringList allesSpeichern();
    void programmBeenden();
    void showWindow(QWidget* window);

    Sitzung& m_sitzung;
    Dialogs& m_dialogs;
    std::unique_ptr<frmLaden> m_laden;
    bool m_geladen = false;
    bool m_beendet = false;
};
