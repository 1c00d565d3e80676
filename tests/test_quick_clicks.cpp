// Quick clicks on the port and send buttons while data arrives.
#include <random>

#include "support/PortFaultFixture.h"

namespace {

// A few hundred quick clicks on "OPEN", "CLOSE", "手动发送", "自动发送" and
// "停止发送", in a fixed random order, while the device talks and answers.
// Nothing crashes or hangs; after a last "CLOSE" the window is at rest: the
// port closed, every control enabled and every worker finished.
TEST_F(PortFaults, QuickClicksWhileDataArrives) {
    // A long expected text: events seldom overrun it and wait 100 ms.
    Type(IDC_EXPECTED, QString(300, 'Z'));
    Type(IDC_SENDPERIOD, "10");
    Edit(IDC_SENDTEXT)->setText("41 42 0D 0A");
    Check(IDC_SENDHEX)->setChecked(true);
    ASSERT_TRUE(dlg->RefreshFromControls());  // "OPEN" shows the members again
    listener_->ReplyWith({'O', 'K', '\r', '\n'});
    std::optional<Chatter> chatter(std::in_place, device_->master());

    // A period field left at "500" by "OPEN" or "CLOSE" gets "10" again now and then.
    constexpr int kTypePeriod = 0;
    const int actions[] = {IDC_OPEN,     IDC_CLOSE,    IDC_MANUALSEND,
                           IDC_AUTOSEND, IDC_STOPSEND, kTypePeriod};
    std::discrete_distribution<int> pick({3, 1, 6, 4, 2, 2});
    std::uniform_int_distribution<int> pause(0, 15);
    std::mt19937 random(20240607);
    std::map<int, int> clicks;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < 300; ++i) {
        const int action = actions[pick(random)];
        if (action == kTypePeriod) {
            if (Enabled(IDC_SENDPERIOD)) {
                Type(IDC_SENDPERIOD, "10");
            }
        } else {
            Click(action);
            ++clicks[action];
        }
        Pump(pause(random));
        ASSERT_EQ(dlg->m_bPortOpen, dlg->m_ctrlComm.GetPortOpen() ? 1 : 0) << "click " << i;
        ASSERT_EQ(Enabled(IDC_OPEN), dlg->m_bPortOpen == 0) << "click " << i;
    }
    std::cout << "300 actions in " << Ms(Clock::now() - start) << " ms: " << clicks[IDC_OPEN]
              << " OPEN, " << clicks[IDC_CLOSE] << " CLOSE, " << clicks[IDC_MANUALSEND]
              << " manual, " << clicks[IDC_AUTOSEND] << " automatic, " << clicks[IDC_STOPSEND]
              << " stop\n";

    Click(IDC_CLOSE);
    ASSERT_TRUE(WaitUntil([&] { return Running() == 0; })) << "a worker never ended";
    Pump(100);
    EXPECT_EQ(dlg->m_bPortOpen, 0);
    EXPECT_FALSE(dlg->m_ctrlComm.GetPortOpen());
    EXPECT_EQ(dlg->m_bAutoSending.load(), 0);
    ExpectEnabled(kLineControls, true);
    ExpectEnabled(kSendControls, true);
    ExpectEnabled({IDC_CLOSE, IDC_STOPSEND, IDC_SENDTEXT}, true);
    for (const MessageRecord& m : messages) {
        EXPECT_TRUE(m.text == "Please Open the COM." || m.text == "Please open the COM.") << m.text;
        EXPECT_EQ(m.icon, MessageIcon::Exclamation);
    }
    EXPECT_GT(listener_->Count(), 0u) << "nothing was ever sent";

    chatter.reset();
    messages.clear();
    ExpectANewDeviceWorks();
    EXPECT_TRUE(messages.empty());
}

}  // namespace
