#pragma once

// Tells the keyboard, through the first MIDI output port whose name contains portName (the last
// one when several do, port 0 when none does), that its firmware has been replaced. Returns 0 when
// the message went out, -1 when any step failed; each failure writes one line naming the step.
int SendUpdateDoneMessage(const char* portName);
