#pragma once

class CAnalysisDlg;

// The send workers, each run on a thread of its own with the analysis window as
// its one argument; both return 0. Every call on the serial control and every
// enabling of a control is handed over to the window's thread, in order. A call
// the control refuses (port closed, device gone) ends the worker quietly; the
// window's end stops it without a further send.

// Sends the send text once.
unsigned ManualSendThread(CAnalysisDlg* window);

// Sends the send text once per period while m_bAutoSending is set, then enables
// "自动发送", "手动发送" and the send hex-mode box again. A run that ends because
// the control refused a send also clears m_bAutoSending and enables the period
// field and the data library button.
unsigned AutoSendThread(CAnalysisDlg* window);
