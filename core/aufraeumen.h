#pragma once

#include <QString>

// What a start clears away, off the window's thread: the leftovers of saves
// that a kill cut short, and the library indexes that no library in use needs.
// Each data folder has a mark beside its indexes that names the folder and
// whose time is its last start; this start sets its own. The indexes of a
// data folder that is gone, or that no start has used for 30 days, go with
// their mark, so that a terminal started in passing folders leaves no index
// behind for long.
void beimStartAufraeumen(const QString& indexDatei, const QString& datenordner);
