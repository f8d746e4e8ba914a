#include "gui/stil.h"

QString Stil()
{
    return QStringLiteral(R"(
#frmPlayer, #frmPlayer QMenuBar, #frmPlayer QMenu, #frmWarteliste QLabel, #frmWarteliste QPushButton,
#frmSuchen, #frmSuchen QLineEdit, #frmSuchen QLabel, #frmSuchen QPushButton,
#frmEinstellungen QCheckBox, #frmEinstellungen QPushButton,
#frmQuellpfad QLabel, #frmQuellpfad QLineEdit, #frmQuellpfad QPushButton,
#frminfo QLabel, #frminfo QPushButton { font-family: "Comic Sans MS"; }

QPushButton { background-color: rgb(192,192,192); }
#frmSuchen QPushButton, #cmdzufall, #cmdKeinzufall { background-color: rgb(128,128,128); }

#central { background-color: rgb(64,64,64); }
#central[geladen="true"] { background-color: black; }
#central QLabel, #LIST1 { font-family: "Comic Sans MS"; font-size: 11pt; }
#lbltitel { color: rgb(255,255,0); font-size: 13pt; }
#lblprozent, #lblDauerBisher, #lblDauerGesamt { color: rgb(0,255,0); }
#LIST1, #LIST1 QAbstractItemView {
    color: rgb(0,255,0); background-color: black; selection-background-color: rgb(0,96,0); }
#frmPlayer QStatusBar { background-color: rgb(192,192,192); }
#frmPlayer QStatusBar QLabel { color: black; background-color: rgb(192,192,192); font-size: 9pt; }

#frmWarteliste, #frmSuchen, #frmEinstellungen, #frmQuellpfad, #frminfo { background-color: black; }
#frmWarteliste QLabel { color: rgb(255,255,0); font-size: 18pt; }
#frmWarteliste QPushButton { font-size: 12pt; }
#frmWarteliste #cmdZurueck { font-size: 14pt; min-height: 40px; }
#comboLieder { color: rgb(255,255,0); background-color: black; font-size: 9pt; }
#combowarteliste { color: rgb(255,255,0); background-color: rgb(64,64,64); font-size: 8pt; }

#frmSuchen QLineEdit, #frmSuchen QLabel, #frmSuchen QPushButton { font-size: 12pt; }
#frmSuchen QLineEdit { color: rgb(224,224,224); background-color: rgb(64,64,64); }
#frmSuchen QLabel { color: rgb(224,224,224); }
#combosuchen { color: white; background-color: rgb(64,64,64); font-family: Arial; font-size: 8pt; }

#frmEinstellungen QCheckBox { color: rgb(0,255,0); font-size: 10pt; }
#frmEinstellungen QPushButton, #frmQuellpfad QLabel, #frmQuellpfad QLineEdit,
#frmQuellpfad QPushButton { font-size: 10pt; }
#frmQuellpfad QLabel { color: white; }
#frmQuellpfad QListWidget, #frmQuellpfad QLineEdit {
    color: rgb(0,255,0); background-color: rgb(64,64,64); }

#frminfo QLabel { color: rgb(128,255,255); font-size: 12pt; }
#frminfo QPushButton { font-size: 12pt; }

#frmLaden { background-color: black; }
#frmLaden QLabel { font-family: "Comic Sans MS"; font-size: 13pt; color: rgb(255,255,0); }
#frmLaden #lblGefunden { color: rgb(0,255,0); font-size: 16pt; }
)");
}
