#pragma once

// Program-wide flags shared by the serial intake, the receiver, the command
// dialogues and the watchdog; the receiver's own framing state is its own. Owned by Program; components get a reference.
struct ProgramFlags
{
    bool commandInProgress = false; // a command dialogue owns the serial port
    bool downloadMode = false;      // serial input belongs to the logger download
    bool realtimeActive = false;    // packets are arriving
    bool realtimeWasOn = false;     // real-time was on when paused
    bool nodeDiscovered = false;    // radio node found, or the USB cable is in use
    int watchdogCount = 6;          // watchdog ticks since the last packet byte
};
