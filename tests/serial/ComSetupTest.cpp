// The bound combo box and the setup dialog, offscreen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "serial/ComPort.h"
#include "serial/ComPortEnum.h"
#include "serial/EComPort.h"
#include "serial/ui/ComComboBox.h"
#include "serial/ui/ComSetupFrm.h"
#include "tests/serial/PtyPair.h"

namespace lumiq {
namespace {

using test::PtyPair;

// The operator picks the entry with this text.
void Choose(TComComboBox* combo, const char* text) {
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// Runs EditComPort and, once the dialog is up, acts on it as the operator.
void EditWith(TCustomComPort& port, std::function<void(TComSetupFrm&)> operatorActs) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<TComSetupFrm*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        acted = true;
        operatorActs(*dialog);
        if (dialog->isVisible())
            dialog->reject(); // a failed step above must not leave the test hanging
    });
    EditComPort(port);
    EXPECT_TRUE(acted);
}

class SetupDialog : public ::testing::Test {
protected:
    SetupDialog() {
        ::setenv(kExtraPortsVariable, (first.SlavePath() + ":" + second.SlavePath()).c_str(), 1);
        port.SetPort(first.SlavePath());
        port.SetBaudRate(brCustom);
    }
    ~SetupDialog() override { ::unsetenv(kExtraPortsVariable); }

    void ChangeAllSix(TComSetupFrm& dialog) {
        Choose(dialog.Combo1, second.SlavePath().c_str());
        Choose(dialog.Combo2, "115200");
        Choose(dialog.Combo3, "7");
        Choose(dialog.Combo4, "2");
        Choose(dialog.Combo5, "Even");
        Choose(dialog.Combo6, "Hardware");
    }
    void ExpectUntouched() {
        EXPECT_EQ(port.Port(), first.SlavePath());
        EXPECT_EQ(port.BaudRate(), brCustom);
        EXPECT_EQ(port.DataBits(), dbEight);
        EXPECT_EQ(port.StopBits(), sbOneStopBit);
        EXPECT_EQ(port.Parity().Bits(), prNone);
        EXPECT_EQ(port.FlowControl().FlowControl(), fcNone);
    }

    PtyPair first, second;
    TComPort port;
};

TEST_F(SetupDialog, HasTheDesignedControlsAndTexts) {
    TComSetupFrm dialog;
    EXPECT_EQ(dialog.windowTitle(), "Setup");
    EXPECT_EQ(dialog.findChild<QGroupBox*>("GroupBox1")->title(), " Settings ");
    const char* labels[] = {"Port", "Baud rate", "Data bits", "Stop bits", "Parity", "Flow control"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(dialog.findChild<QLabel*>(QString("Label%1").arg(i + 1))->text(), labels[i]);
        EXPECT_NE(dialog.findChild<TComComboBox*>(QString("Combo%1").arg(i + 1)), nullptr);
    }
    EXPECT_EQ(dialog.Button1->text(), "OK");
    EXPECT_TRUE(dialog.Button1->isDefault());
    EXPECT_EQ(dialog.Button2->text(), "Cancel");
    EXPECT_EQ(dialog.Combo2->count(), 16);
    EXPECT_EQ(dialog.Combo6->itemText(3), "Custom");
    EXPECT_FALSE(dialog.Combo1->AutoApply());
}

TEST_F(SetupDialog, ShowsThePortsCurrentValues) {
    port.Parity().SetBits(prMark);
    port.FlowControl().SetXonXoffIn(true); // matches no named pattern
    EditWith(port, [&](TComSetupFrm& dialog) {
        EXPECT_EQ(dialog.Combo1->Text(), first.SlavePath());
        EXPECT_EQ(dialog.Combo2->Text(), "Custom");
        EXPECT_EQ(dialog.Combo3->Text(), "8");
        EXPECT_EQ(dialog.Combo4->Text(), "1");
        EXPECT_EQ(dialog.Combo5->Text(), "Mark");
        EXPECT_EQ(dialog.Combo6->Text(), "Custom");
        dialog.Button1->click();
    });
    EXPECT_TRUE(port.FlowControl().XonXoffIn()) << "OK on Custom flow control changes no switch";
}

TEST_F(SetupDialog, OkWritesAllSixChoices) {
    EditWith(port, [&](TComSetupFrm& dialog) {
        ChangeAllSix(dialog);
        dialog.Button1->click();
    });
    EXPECT_EQ(port.Port(), second.SlavePath());
    EXPECT_EQ(port.BaudRate(), br115200);
    EXPECT_EQ(port.DataBits(), dbSeven);
    EXPECT_EQ(port.StopBits(), sbTwoStopBits);
    EXPECT_EQ(port.Parity().Bits(), prEven);
    EXPECT_EQ(port.FlowControl().FlowControl(), fcHardware);
    EXPECT_FALSE(port.Connected()) << "a closed port only keeps the values";
}

// Counts how often the whole configuration is applied to the device.
class CountingPort : public TComPort {
public:
    void SetupComPort() override {
        ++setups;
        TComPort::SetupComPort();
    }
    int setups = 0;
};

TEST_F(SetupDialog, OkOnAnOpenPortAppliesOnceAtTheEnd) {
    CountingPort open;
    open.SetPort(first.SlavePath());
    open.SetEvents({});
    open.Open();
    open.setups = 0;
    EditWith(open, [&](TComSetupFrm& dialog) {
        Choose(dialog.Combo2, "57600");
        Choose(dialog.Combo4, "1.5"); // would be refused if applied on its own
        Choose(dialog.Combo4, "2");
        dialog.Button1->click();
    });
    EXPECT_EQ(open.setups, 1);
    EXPECT_EQ(open.BaudRate(), br57600);
    EXPECT_TRUE(open.Connected());
}

TEST_F(SetupDialog, AFailingChoiceStillEndsTheUpdate) {
    CountingPort open;
    open.SetPort(first.SlavePath());
    open.SetEvents({});
    open.Open();
    EXPECT_THROW(EditWith(open,
                          [&](TComSetupFrm& dialog) {
                              Choose(dialog.Combo4, "1.5");
                              dialog.Button1->click();
                          }),
                 EComPort);
    open.SetStopBits(sbOneStopBit);
    open.setups = 0;
    open.SetBaudRate(br2400); // applied at once again: no update left pending
    open.BeginUpdate();
    open.EndUpdate();
    EXPECT_EQ(open.setups, 1);
}

TEST_F(SetupDialog, CancelTheCloseBoxAndEscapeApplyNothing) {
    const std::function<void(TComSetupFrm&)> dismissals[] = {
        [](TComSetupFrm& dialog) { dialog.Button2->click(); },
        [](TComSetupFrm& dialog) { dialog.close(); },
        [](TComSetupFrm& dialog) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
            EXPECT_TRUE(dialog.isVisible()) << "Escape is not bound to Cancel";
            dialog.Button2->click();
        },
    };
    for (const auto& dismiss : dismissals) {
        EditWith(port, [&](TComSetupFrm& dialog) {
            ChangeAllSix(dialog);
            dismiss(dialog);
        });
        ExpectUntouched();
    }
}

TEST_F(SetupDialog, APortThatIsNotListedIsNotSelectedAndOkClearsTheName) {
    port.SetPort("lumiq-not-listed");
    EditWith(port, [&](TComSetupFrm& dialog) {
        EXPECT_EQ(dialog.Combo1->currentIndex(), -1);
        EXPECT_EQ(dialog.Combo1->Text(), "");
        dialog.Button1->click();
    });
    EXPECT_EQ(port.Port(), "");
}

TEST_F(SetupDialog, ShowSetupDialogRunsTheInstalledDialog) {
    InitComPortUi(QCoreApplication::applicationDirPath().toStdString());
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<TComSetupFrm*>(QApplication::activeModalWidget());
        shown = dialog != nullptr;
        if (dialog != nullptr)
            dialog->Button2->click();
    });
    port.ShowSetupDialog();
    EXPECT_TRUE(shown);
}

TEST(ComComboBox, FillsItsEntriesAndSelectsTheFirstWithoutAPort) {
    TComComboBox combo;
    combo.SetComProperty(cpParity);
    EXPECT_EQ(combo.count(), 5);
    EXPECT_EQ(combo.Text(), "None");
    combo.SetText("even");
    EXPECT_EQ(combo.Text(), "Even");
    combo.SetText("Evens");
    EXPECT_EQ(combo.Text(), "Even") << "a text that is no entry changes nothing";
    combo.SetComProperty(cpNone);
    EXPECT_EQ(combo.count(), 0);
    EXPECT_EQ(combo.Text(), "");
}

TEST(ComComboBox, FollowsItsPortAndForgetsItWhenItIsDestroyed) {
    TComComboBox combo;
    combo.SetComProperty(cpDataBits);
    auto port = std::make_unique<TComPort>();
    port->SetDataBits(dbSix);
    combo.SetComPort(port.get());
    EXPECT_EQ(combo.Text(), "6");
    port.reset();
    EXPECT_EQ(combo.ComPort(), nullptr);
    EXPECT_EQ(combo.Text(), "5") << "back to the first entry";
    combo.ApplySettings(); // no port: nothing
}

TEST(ComComboBox, AutoApplyWritesTheChoiceAtOnce) {
    TComPort port;
    TComComboBox combo;
    combo.SetComProperty(cpBaudRate);
    combo.SetComPort(&port);
    Choose(&combo, "56000");
    EXPECT_EQ(port.BaudRate(), br9600) << "without AutoApply the choice waits";
    combo.SetAutoApply(true);
    Choose(&combo, "128000");
    EXPECT_EQ(port.BaudRate(), br128000);
}

} // namespace
} // namespace lumiq
