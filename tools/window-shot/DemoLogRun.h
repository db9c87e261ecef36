#pragma once

// The demo panel left running: its "Oven temperatures" log goes on writing an entry every ten
// minutes, so that reads of its register file one after another find new entries and the
// history store has a history to show.

#include <QByteArray>
#include <QtGlobal>

// Writes `entries` more entries into the oven log of a demo register image, after its newest:
// each zone's temperature follows the oven's day (hotter while baking) with a little ripple,
// the ring's oldest entries overwritten as the panel does, its header and CRC updated.
void RunDemoOvenLog(QByteArray& image, quint32 entries);
