#pragma once

class QObject;
class QAccessibleInterface;
class QString;

// Qt gives a window the role of a window for assistive technology only when
// it is a QMainWindow or a QDialog; a window made directly from QWidget is a
// "filler" like any panel. Once installed, this factory gives such windows the
// role of a window, named by their title.
QAccessibleInterface* fensterRolle(const QString& klasse, QObject* objekt);
