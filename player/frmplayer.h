#pragma once

#include "platform/folderwalk.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <vector>

class Dialogs;
class MediaEngine;
class MediaDevice;
class PanelStatusBar;
class ClickableProgressBar;
class IntervalTimer;
class QComboBox;
class QLabel;
class QPushButton;
class QStringListModel;
class frmWarteliste;
class frmSuchen;
class frmEinstellungen;
class frmQuellpfad;
class frminfo;

// The main window: the player's shared state, the track chooser, the media
// device, the displays, the two switches and the menu. Its start-up runs in
// Form_Load before the window is first shown.
class frmPlayer final : public QMainWindow
{
    Q_OBJECT
public:
    frmPlayer(std::unique_ptr<MediaEngine> engine, Dialogs& dialogs, QWidget* parent = nullptr);
    ~frmPlayer() override;
    Q_DISABLE_COPY_MOVE(frmPlayer)

    // Shared with the secondary windows, which read and write them directly.
    int Listennummer = 0; // position in LIST1 of the track to play or playing
    int Wartend = 0;      // number of entries in the queue
    // The five options; each normally 0 or 1, always compared with 1 or 0.
    int WartelisteninhaltSpeichern = 0;
    int Zufallsstart = 0;
    int BeimStartLiedSpielen = 0;
    int MinimiertStarten = 0;
    int DateiEndungenRegel = 0;

    // Start-up and the two ways out.
    void Form_Load();
    void Form_Unload(bool& Cancel);
    void mnuEnde_Click();
    void mnuminimieren_Click();
    void mnuInfo_Click();
    void mnuwarteliste_Click();
    void mnuSuchen_Click();
    void mnuEinstellungen_Click();
    void mnuPfade_Click();

    // Track library.
    void PfadeEinlesen();
    void AlleDateienAusAllenPfadenEinlesen();
    void ListeÜbertragen();
    static int NummerErmitteln(const QString& Text);
    int ListennummerErmitteln(const QString& Text, const QStringList& ListeInDerGesuchtWird);
    // Entry texts of the library in scan order, and sorted as LIST1 shows them.
    const QStringList& lsttemp() const { return m_lsttemp; }
    const std::vector<NativePath>& ListeMitPfadNamen() const { return m_ListeMitPfadNamen; }
    const QStringList& LIST1Eintraege() const { return m_sortiert; }
    const QStringList& lstPfade() const { return m_lstPfade; }

    // Playback.
    void Play(int Liednr);
    void mscMusik_PlayClick();
    void mscMusik_PauseClick();
    void mscMusik_StopClick();
    void mscMusik_NextClick();
    void Fortschritt_MouseUp(double x);

    // Playback clock.
    void Timer1_Timer();
    static QString SekundenInMinuten(int Sekunden);
    void BalkenZeichnen(int Prozent);

    // Next-track choice.
    static int Zufallszahl(int Untergrenze, int Obergrenze);

    // Switches.
    void ZufallEinAus(const QString& Ziel);
    void cmdVolume_Click();
    void cmdnovolume_Click();
    void cmdzufall_Click();
    void cmdKeinzufall_Click();

    // Data files.
    void EinstellungenWiederherstellen(const QString& Dateiname);
    void EinstellungenSpeichern(const QString& Dateiname);
    void WartelisteSpeichern();
    void WartelisteWiederherstellen();

    // State the tests and windows look at.
    bool TonAn() const { return m_TonAn; }
    bool ZufallAn() const { return m_ZufallAn; }
    bool Liedende() const { return m_Liedende; }
    bool AlleDateien() const { return m_AlleDateien; }
    qint64 DauerGesamt() const { return m_DauerGesamt; }
    Dialogs& dialogs() { return m_dialogs; }

    // Controls, reached by the secondary windows as on a form.
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
    IntervalTimer* Timer1 = nullptr;

    std::unique_ptr<frmWarteliste> Warteliste;
    std::unique_ptr<frmSuchen> Suchen;
    // Loaded when the menu first shows them; they delete themselves when unloaded.
    QPointer<frmEinstellungen> Einstellungen;
    QPointer<frmQuellpfad> Quellpfad;
    QPointer<frminfo> Info;

Q_SIGNALS:
    // The user confirmed the end; the application leaves its event loop.
    void Programmende();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls(std::unique_ptr<MediaEngine> engine);
    void buildMenu();
    void ShowFolderList(const NativePath& folderspec);
    void ShowFileList(const NativePath& folderspec, const std::vector<NativePath>& files);
    void setButtons(bool play, bool pause, bool stop, bool nextPrev);
    void nextTrack();
    void takeQueueHead();
    void unloadSecondaryWindows();
    void showWindow(QWidget* window);

    Dialogs& m_dialogs;
    bool m_TonAn = false;
    bool m_ZufallAn = false;
    bool m_Liedende = false;
    bool m_AlleDateien = false;
    qint64 m_DauerGesamt = 0;
    int m_failedInARow = 0;

    QStringList m_lstPfade;
    QStringList m_lsttemp;
    std::vector<NativePath> m_ListeMitPfadNamen;
    QStringList m_sortiert;
    QStringListModel* m_list1Model = nullptr;
    std::vector<FolderId> m_walkPath; // folders of the walk that are open right now
};
