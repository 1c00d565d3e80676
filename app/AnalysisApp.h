#pragma once

#include <vector>

class CDialog;
class CommTrafficObserver;

// The application object: runs the analysis window and ends the program when
// the window closes. No message loop of its own runs afterwards.
class CAnalysisApp {
public:
    CAnalysisApp() = default;
    virtual ~CAnalysisApp() = default;

    // Runs the analysis window modally; always false, so the program then ends.
    virtual bool InitInstance();

    CDialog* m_pMainWnd = nullptr;
    // Told of the serial control's traffic when set before InitInstance.
    CommTrafficObserver* m_pTrafficObserver = nullptr;
    // The baud-rate list's items when set before InitInstance (--baud-rates).
    std::vector<int> m_baudRates;
};

extern CAnalysisApp theApp;
