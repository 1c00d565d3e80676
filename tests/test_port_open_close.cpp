#include <termios.h>

#include <atomic>
#include <chrono>
#include <map>
#include <optional>
#include <thread>

#include "support/LineSpeed.h"
#include "support/Pty.h"
#include "support/WindowFixture.h"
#include "support/WindowProbes.h"

namespace {

using std::chrono::milliseconds;

// Controls that closing enables, in that order.
const std::vector<int> kRestoredControls = {
    IDC_SENDPERIOD, IDC_OPEN,     IDC_PORT,        IDC_BAUDRATE, IDC_PARITY,
    IDC_DATABITS,   IDC_STOPBITS, IDC_FLOWCONTROL, IDC_SENDHEX,  IDC_DATALIB};

// The puts that opening makes before it opens the port.
void ExpectPuts(const CMSComm& comm, short port, const std::string& settings, short handshaking) {
    EXPECT_EQ(comm.GetCommPort(), port);
    EXPECT_EQ(comm.GetSettings(), settings);
    EXPECT_EQ(comm.GetHandshaking(), handshaking);
    EXPECT_EQ(comm.GetInBufferSize(), 1024);
    EXPECT_EQ(comm.GetOutBufferSize(), 1024);
    EXPECT_EQ(comm.GetInputMode(), 1);
    EXPECT_EQ(comm.GetRThreshold(), 1);
    EXPECT_EQ(comm.GetInputLen(), 0);
}

// A list pick: an item's text, or nullptr for no selection.
using Pick = std::pair<int, const char*>;

class PortOpenClose : public WindowFixture {
protected:
    void Select(const std::vector<Pick>& picks) {
        for (const auto& [id, item] : picks) {
            QComboBox* box = List(id);
            const int position = item ? box->findText(item) : -1;
            ASSERT_TRUE(!item || position >= 0) << item;
            box->setCurrentIndex(position);
        }
    }
};

TEST_F(PortOpenClose, OpensWithTheChosenLine) {
    struct Case {
        const char* name;
        std::vector<Pick> picks;
        short port;
        std::string settings;  // data bits and parity show only here on a pty
        short handshaking;
        speed_t speed;
        bool twoStopBits;
    };
    const Case cases[] = {
        {"defaults", {}, 2, "9600,n,8,1", 0, B9600, false},
        {"flow control YES is RTS/CTS",
         {{IDC_FLOWCONTROL, "YES"}},
         2,
         "9600,n,8,1",
         2,
         B9600,
         false},
        {"COM4 2400 EVEN 6 2",
         {{IDC_PORT, "COM4"},
          {IDC_BAUDRATE, "2400"},
          {IDC_PARITY, "EVEN"},
          {IDC_DATABITS, "6"},
          {IDC_STOPBITS, "2"}},
         4,
         "2400,e,6,2",
         0,
         B2400,
         true},
        {"COM1 1200 ODD 7 1",
         {{IDC_PORT, "COM1"}, {IDC_BAUDRATE, "1200"}, {IDC_PARITY, "ODD"}, {IDC_DATABITS, "7"}},
         1,
         "1200,o,7,1",
         0,
         B1200,
         false},
        {"COM3 4800 5 1.5",
         {{IDC_PORT, "COM3"}, {IDC_BAUDRATE, "4800"}, {IDC_DATABITS, "5"}, {IDC_STOPBITS, "1.5"}},
         3,
         "4800,n,5,1.5",
         0,
         B4800,
         true},
        {"data bits 4 opens with 8", {{IDC_DATABITS, "4"}}, 2, "9600,n,8,1", 0, B9600, false},
        {"lists without a selection",
         {{IDC_PORT, nullptr},
          {IDC_BAUDRATE, nullptr},
          {IDC_PARITY, nullptr},
          {IDC_DATABITS, nullptr},
          {IDC_STOPBITS, nullptr},
          {IDC_FLOWCONTROL, nullptr}},
         2,
         "9600,n,8,1",
         0,
         B9600,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pty pty;
        ComMapping mapping(c.port, pty.path());
        OpenWindow();
        messages.clear();
        Select(c.picks);
        EnableRecorder recorder(*dlg, kLineControls);

        Click(IDC_OPEN);
        ASSERT_EQ(MessageTexts(), std::vector<std::string>{});
        EXPECT_EQ(dlg->m_bPortOpen, 1);
        CMSComm& comm = dlg->m_ctrlComm;
        EXPECT_TRUE(comm.GetPortOpen());
        ExpectPuts(comm, c.port, c.settings, c.handshaking);

        const termios line = pty.LineSettings();
        EXPECT_EQ(cfgetospeed(&line), c.speed);
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_EQ((line.c_cflag & CRTSCTS) != 0, c.handshaking == 2);
        // With parity, received bytes are checked and bad ones marked.
        const bool parity = c.settings.find(",n,") == std::string::npos;
        EXPECT_EQ((line.c_iflag & (INPCK | PARMRK)) == (INPCK | PARMRK), parity);
        EXPECT_EQ((line.c_iflag & (INPCK | PARMRK)) == 0, !parity);

        EXPECT_EQ(Shown(IDC_SENDPERIOD), "500");
        EXPECT_EQ(recorder.Ids(), kLineControls);
        ExpectEnabled(kLineControls, false);
        ExpectEnabled({IDC_CLOSE, IDC_MANUALSEND, IDC_AUTOSEND, IDC_SENDPERIOD, IDC_DATALIB}, true);
        dlg.reset();
    }
}

// A baud-rate list from the command line: its items in the order given, 9600
// chosen at start when listed, and the chosen rate on the line after "OPEN",
// also one beyond the control's own list, as the pseudo-terminal reads it back.
TEST_F(PortOpenClose, OpensAtARateOfAGivenList) {
    struct Case {
        std::vector<int> rates;
        std::vector<std::string> items;
        std::string shownAtStart;
        const char* pick;  // nullptr: as at start; "": no selection
        std::string settings;
        unsigned speed;
    };
    const Case cases[] = {
        {{9600, 115200, 921600},
         {"9600", "115200", "921600"},
         "9600",
         "115200",
         "115200,n,8,1",
         115200},
        {{1200, 57600, 9600}, {"1200", "57600", "9600"}, "9600", nullptr, "9600,n,8,1", 9600},
        // No 9600 in the list: the first item, a rate beyond the control's list.
        {{250000, 1200}, {"250000", "1200"}, "250000", nullptr, "250000,n,8,1", 250000},
        {{250000, 1200}, {"250000", "1200"}, "250000", "", "9600,n,8,1", 9600},
        // Without the option: the usual list, sorted.
        {{}, {"1200", "2400", "4800", "9600"}, "9600", "2400", "2400,n,8,1", 2400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        Pty pty;
        ComMapping mapping(2, pty.path());
        dlg = std::make_unique<CAnalysisDlg>();
        dlg->SetBaudRates(c.rates);
        ASSERT_TRUE(dlg->Create());
        QComboBox* list = List(IDC_BAUDRATE);
        std::vector<std::string> items;
        for (int i = 0; i < list->count(); ++i) {
            items.push_back(list->itemText(i).toStdString());
        }
        EXPECT_EQ(items, c.items);
        EXPECT_EQ(Shown(IDC_BAUDRATE).toStdString(), c.shownAtStart);
        if (c.pick) {
            Select({{IDC_BAUDRATE, *c.pick ? c.pick : nullptr}});
        }

        Click(IDC_OPEN);
        ASSERT_EQ(MessageTexts(), std::vector<std::string>{});
        EXPECT_EQ(dlg->m_bPortOpen, 1);
        EXPECT_EQ(dlg->m_ctrlComm.GetSettings(), c.settings);
        EXPECT_EQ(LineSpeed(pty.slave()), c.speed);
        dlg.reset();
    }
}

// Text typed into a list's field leaves the list without a selection, so that
// "OPEN" takes the list's value for no selection, whatever was picked before.
TEST_F(PortOpenClose, TypedTextInAListOpensWithItsNoSelectionValue) {
    Pty pty;
    ComMapping mapping(2, pty.path());
    const Pick picked[] = {{IDC_PORT, "COM3"},  {IDC_BAUDRATE, "1200"}, {IDC_PARITY, "EVEN"},
                           {IDC_DATABITS, "7"}, {IDC_STOPBITS, "2"},    {IDC_FLOWCONTROL, "YES"}};
    for (const Pick& pick : picked) {
        Select({pick});
        QLineEdit* field = List(pick.first)->lineEdit();
        field->setFocus();
        field->end(false);
        QTest::keyClicks(field, "x");
    }
    Click(IDC_OPEN);
    ASSERT_EQ(MessageTexts(), std::vector<std::string>{});
    EXPECT_EQ(dlg->m_bPortOpen, 1);
    ExpectPuts(dlg->m_ctrlComm, 2, "9600,n,8,1", 0);
}

// A failed opening shows the control's description and leaves the settings to
// the operator, who can change them and open again.
TEST_F(PortOpenClose, FailedOpeningLeavesTheLinesToTheOperator) {
    struct Case {
        const char* name;
        std::vector<Pick> picks;
        const char* devicePath;  // nullptr: the pseudo-terminal
        std::string description;
        short port;
        std::string settings;
        short handshaking;
        std::vector<Pick> mend;
    };
    const Case cases[] = {
        {"absent device",
         {{IDC_PORT, "COM4"},
          {IDC_BAUDRATE, "2400"},
          {IDC_PARITY, "EVEN"},
          {IDC_DATABITS, "7"},
          {IDC_STOPBITS, "2"},
          {IDC_FLOWCONTROL, "YES"}},
         "/nonexistent/tessaline-port",
         "/nonexistent/tessaline-port",
         4,
         "2400,e,7,2",
         2,
         {}},
        {"1.5 stop bits with 8 data bits",
         {{IDC_STOPBITS, "1.5"}},
         nullptr,
         "1.5 stop bits need 5 data bits",
         2,
         "9600,n,8,1.5",
         0,
         {{IDC_STOPBITS, "1"}}},
        {"2 stop bits with 5 data bits",
         {{IDC_DATABITS, "5"}, {IDC_STOPBITS, "2"}},
         nullptr,
         "2 stop bits need 6 to 8 data bits",
         2,
         "9600,n,5,2",
         0,
         {{IDC_DATABITS, "6"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pty pty;
        std::optional<ComMapping> mapping;
        mapping.emplace(c.port, c.devicePath ? c.devicePath : pty.path());
        OpenWindow();
        messages.clear();
        Select(c.picks);
        Type(IDC_SENDPERIOD, "250");

        Click(IDC_OPEN);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].icon, MessageIcon::Stop);
        EXPECT_NE(messages[0].text.find(c.description), std::string::npos) << messages[0].text;
        EXPECT_EQ(dlg->m_bPortOpen, 0);
        CMSComm& comm = dlg->m_ctrlComm;
        EXPECT_FALSE(comm.GetPortOpen());
        ExpectEnabled(kLineControls, true);
        EXPECT_EQ(Shown(IDC_SENDPERIOD), "0") << "the members were written before opening";
        // Every put before the opening stays put.
        ExpectPuts(comm, c.port, c.settings, c.handshaking);

        // Mended, it opens.
        mapping.reset();
        mapping.emplace(c.port, pty.path());
        Select(c.mend);
        Click(IDC_OPEN);
        EXPECT_EQ(messages.size(), 1u);
        EXPECT_EQ(dlg->m_bPortOpen, 1);
        EXPECT_TRUE(comm.GetPortOpen());
        dlg.reset();
    }
}

TEST_F(PortOpenClose, OpeningShowsTheMembersAgain) {
    Pty pty;
    ComMapping mapping(2, pty.path());
    Type(IDC_SENDPERIOD, "123");
    Type(IDC_SENDTEXT, "typed");
    Type(IDC_EXPECTED, "typed");
    QTest::mouseClick(Check(IDC_RECEIVEHEX), Qt::LeftButton);
    QTest::mouseClick(Check(IDC_SENDHEX), Qt::LeftButton);

    Click(IDC_OPEN);
    EXPECT_EQ(Shown(IDC_SENDTEXT), "");
    EXPECT_EQ(Shown(IDC_EXPECTED), "");
    EXPECT_FALSE(Check(IDC_RECEIVEHEX)->isChecked());
    EXPECT_FALSE(Check(IDC_SENDHEX)->isChecked());
    EXPECT_EQ(Shown(IDC_SENDPERIOD), "500");
    EXPECT_EQ(dlg->m_nSendPeriod.load(), 0) << "the member takes 500 at the next refresh";

    // Opening again while open closes the port first, then opens it anew.
    dlg->RunCommand(IDC_OPEN);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(dlg->m_bPortOpen, 1);
    pty.Write("x");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shown(IDC_RECEIVETEXT) == "x"; }, 3000));
}

TEST_F(PortOpenClose, CloseStopsSendingWaitsAndRestoresTheControls) {
    struct Case {
        const char* name;
        bool open;
        bool deviceGone;
        int portOpenBefore;
        int portOpenAfter;
    };
    const Case cases[] = {
        {"port open", true, false, 1, 0},
        {"device gone while open", true, true, 1, 0},
        // Only closing the port clears the flag, whatever it says.
        {"port closed, the flag set", false, false, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pty pty;
        ComMapping mapping(2, pty.path());
        OpenWindow();
        messages.clear();
        if (c.open) {
            Click(IDC_OPEN);
            ASSERT_EQ(dlg->m_bPortOpen, 1);
        }
        if (c.deviceGone) {
            pty.CloseMaster();
            QTest::qWait(100);
        }
        dlg->m_bPortOpen = c.portOpenBefore;
        Type(IDC_SENDPERIOD, "77");
        // As an automatic run leaves them.
        for (int id : kRestoredControls) {
            dlg->EnableItem(id, false);
        }
        dlg->EnableItem(IDC_MANUALSEND, false);
        dlg->EnableItem(IDC_AUTOSEND, false);
        EnableRecorder recorder(*dlg, kRestoredControls);

        // A sender watching its flag sees it cleared well before the port goes.
        dlg->m_bAutoSending = 1;
        std::atomic<bool> stop{false};
        std::atomic<Clock::rep> flagCleared{0};
        std::thread sender([&] {
            while (!stop && dlg->m_bAutoSending) {
                std::this_thread::sleep_for(milliseconds(1));
            }
            flagCleared = Clock::now().time_since_epoch().count();
        });
        const auto start = Clock::now();
        Click(IDC_CLOSE);
        const auto end = Clock::now();
        stop = true;
        sender.join();

        EXPECT_TRUE(messages.empty());
        EXPECT_GE(end - start, milliseconds(500));
        EXPECT_EQ(dlg->m_bAutoSending.load(), 0);
        EXPECT_GE(end - Clock::time_point(Clock::duration(flagCleared.load())), milliseconds(250))
            << "the flag is cleared before the wait";
        EXPECT_FALSE(dlg->m_ctrlComm.GetPortOpen());
        EXPECT_EQ(dlg->m_bPortOpen, c.portOpenAfter);
        EXPECT_EQ(Shown(IDC_SENDPERIOD), "500");
        EXPECT_EQ(recorder.Ids(), kRestoredControls);
        ExpectEnabled(kRestoredControls, true);
        ExpectEnabled({IDC_MANUALSEND, IDC_AUTOSEND}, false);
        EXPECT_TRUE(dlg->IsItemEnabled(IDC_CLOSE));
        dlg.reset();
    }
}

}  // namespace
