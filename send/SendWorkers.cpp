#include "send/SendWorkers.h"

#include <exception>
#include <string>

#include "app/AnalysisDlg.h"
#include "res/resource.h"
#include "send/SendPeriod.h"
#include "send/SendText.h"

unsigned ManualSendThread(CAnalysisDlg* window) {
    UiThreadCalls& ui = window->SendCalls();
    CMSComm& comm = window->m_ctrlComm;
    try {
        if (!ui.Call([&] { comm.SetRThreshold(1); })) {
            return 0;
        }
        const ByteArray bytes =
            SendTextToBytes(window->m_strSendText.Get(), window->m_bSendHex.load() != 0);
        if (!ui.Call([&] { comm.SetOutBufferCount(0); })) {
            return 0;
        }
        (void)ui.Call([&] { comm.SetOutput(bytes); });
    } catch (const std::exception&) {
        // The control refused the send; a worker has no one to tell.
    }
    return 0;
}

unsigned AutoSendThread(CAnalysisDlg* window) {
    UiThreadCalls& ui = window->SendCalls();
    CMSComm& comm = window->m_ctrlComm;
    bool refused = false;
    try {
        if (!ui.Call([&] { comm.SetRThreshold(1); })) {
            return 0;
        }
        // The text is read once per run; only the array that matches the
        // hex-mode flag at the start is filled.
        ByteArray hexBytes;
        ByteArray rawBytes;
        const std::string text = window->m_strSendText.Get();
        if (window->m_bSendHex.load() != 0) {
            HexTextToBytes(text, hexBytes);
        } else {
            rawBytes = RawTextToBytes(text);
        }

        // The flag is tested between turns only: a turn whose wait has begun
        // ends with its send.
        while (window->m_bAutoSending.load() != 0) {
            if (!ui.SleepUnlessClosed(ClampSendPeriod(window->m_nSendPeriod.load()))) {
                return 0;
            }
            if (!ui.Call([&] { comm.SetOutBufferCount(0); })) {
                return 0;
            }
            const ByteArray& bytes = window->m_bSendHex.load() != 0 ? hexBytes : rawBytes;
            if (!ui.Call([&] { comm.SetOutput(bytes); })) {
                return 0;
            }
        }
    } catch (const std::exception&) {
        // The control refused a send ("CLOSE" closed the port, or the device
        // went away): the run ends without a message.
        refused = true;
    }

    // In one hand-over, so that no click comes between: a click on "自动发送"
    // as soon as it is enabled must find the send area whole.
    (void)ui.Call([window, refused] {
        // A run the control stopped is over as if "停止发送" had been pressed:
        // none of the operator's controls may stay locked.
        if (refused) {
            window->m_bAutoSending = 0;
        }
        for (int id : {IDC_AUTOSEND, IDC_MANUALSEND, IDC_SENDHEX}) {
            window->EnableItem(id, true);
        }
        if (refused) {
            window->EnableItem(IDC_SENDPERIOD, true);
            window->EnableItem(IDC_DATALIB, true);
        }
    });
    return 0;
}
