#pragma once
// What WriteLog does with a formatted text in each of its modes: each build
// has its own LogModes.cpp (the older build takes the mode as a kind, under
// legacy/).
namespace LogModes {

// The text to the line hook and to the open log, if any (Log.cpp).
void DeliverLine(const char* text);
// Writes text as mode asks; returns what WriteLog returns.
const char* Deliver(int mode, const char* text);

}   // namespace LogModes
