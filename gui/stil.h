#pragma once

#include <QString>

// The look of every window: black backgrounds, green and yellow text, grey
// buttons, "Comic Sans MS".
QString Stil();
