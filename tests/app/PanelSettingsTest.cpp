// Saving the panel to CFG.ini and restoring it through the real menu
// handlers, including the errors the standard error box shows.

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <fstream>
#include <sstream>

#include "tests/app/MessageRecorder.h"
#include "tests/app/WindowFixture.h"

namespace lumiq::test {
namespace {

class PanelSettingsTest : public WindowFixture {
protected:
    std::string ReadCfg() const {
        std::ifstream in(CfgPath());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteCfg(const std::string& text) const {
        std::ofstream out(CfgPath());
        out << text;
    }
    // The twelve kept controls, as the operator sees them.
    std::vector<QString> Kept() const {
        const TFrmMain& w = *window;
        return {w.Cmb_Model->currentText(),
                w.Edt_GATEWAY->text(),
                w.Edt_MASK->text(),
                w.Edt_IP->text(),
                w.Edt_DIP->text(),
                w.Edt_Port->text(),
                w.Edt_DPort->text(),
                w.Cmb_Baud->currentText(),
                w.Cmb_DataBit->currentText(),
                w.Cmb_StopBit->currentText(),
                w.Cmb_Parity->currentText(),
                w.Edt_MAC->text()};
    }
    void ChangeEveryKeptControl() {
        TFrmMain& w = *window;
        w.Cmb_Model->setCurrentIndex(3);
        w.Edt_GATEWAY->setText(QStringLiteral("10.1.1.1"));
        w.Edt_MASK->setText(QStringLiteral("255.255.0.0"));
        w.Edt_IP->setText(QStringLiteral("10.1.2.3"));
        w.Edt_DIP->setText(QStringLiteral("10.1.2.4"));
        w.Edt_Port->setText(QStringLiteral("7000"));
        w.Edt_DPort->setText(QStringLiteral("端口")); // saved as typed, in any script
        w.Cmb_Baud->setCurrentIndex(12);
        w.Cmb_DataBit->setCurrentIndex(1);
        w.Cmb_StopBit->setCurrentIndex(3);
        w.Cmb_Parity->setCurrentIndex(2);
        w.Edt_MAC->setText(QStringLiteral("00:1a:2b:3c:4d:5e"));
    }
};

TEST_F(PanelSettingsTest, DefaultPanelIsSavedKeyByKeyInOrder) {
    MessageRecorder boxes;
    window->N11->trigger();
    EXPECT_TRUE(boxes.messages.empty());
    EXPECT_EQ(ReadCfg(),
              "[CFG]\nModel=0\nGateWay=192.168.1.1\nMask=192.168.0.1\nIP=192.168.1.199\nDIP=192.168.1.100\n"
              "Port=5000\nDPort=6000\nBaudRate=6\nDataBit=0\nStopBit=1\nParity=0\nMAC=\n");
}

TEST_F(PanelSettingsTest, SaveThenRestoreGivesBackEveryKeptControl) {
    MessageRecorder boxes;
    ChangeEveryKeptControl();
    const std::vector<QString> saved = Kept();
    window->N11->trigger();

    window->Cmb_Model->setEditText(QStringLiteral("typed"));
    for (QLineEdit* edit : {window->Edt_GATEWAY, window->Edt_MASK, window->Edt_IP, window->Edt_DIP,
                            window->Edt_Port, window->Edt_DPort, window->Edt_MAC})
        edit->clear();
    for (QComboBox* combo : {window->Cmb_Baud, window->Cmb_DataBit, window->Cmb_StopBit, window->Cmb_Parity})
        combo->setCurrentIndex(0);
    window->Edt_Name->setText(QStringLiteral("keep"));
    window->DCHP_Model->setCurrentIndex(1);

    window->N10->trigger();
    EXPECT_TRUE(boxes.messages.empty());
    EXPECT_EQ(Kept(), saved);
    // Not kept in the file, so not touched by a restore.
    EXPECT_EQ(window->Edt_Name->text(), QStringLiteral("keep"));
    EXPECT_EQ(window->DCHP_Model->currentIndex(), 1);
    // Neither writes to the log.
    EXPECT_EQ(window->MemoInfo->document()->blockCount(), 8);
}

TEST_F(PanelSettingsTest, ATypedComboTextIsSavedAsMinusOneAndRestoredAsNoSelection) {
    MessageRecorder boxes;
    window->Cmb_Parity->setEditText(QStringLiteral("Mark"));
    window->N11->trigger();
    EXPECT_NE(ReadCfg().find("\nParity=-1\n"), std::string::npos);
    window->Cmb_Parity->setCurrentIndex(1);
    window->N10->trigger();
    EXPECT_TRUE(boxes.messages.empty());
    EXPECT_EQ(window->Cmb_Parity->currentText(), QString());
    EXPECT_EQ(window->Cmb_Parity->currentIndex(), -1);
}

TEST_F(PanelSettingsTest, RestoreWithoutAFileShowsZeroEverywhere) {
    MessageRecorder boxes;
    ChangeEveryKeptControl();
    window->N10->trigger();
    EXPECT_TRUE(boxes.messages.empty());
    EXPECT_EQ(Kept(), (std::vector<QString>{"TCP_Server", "0", "0", "0", "0", "0", "0", "110", "8", "0.5",
                                            "None", "0"}));
}

TEST_F(PanelSettingsTest, StoredIndexesSelectTheirItemsAndOutOfRangeSelectsNothing) {
    MessageRecorder boxes;
    WriteCfg("[CFG]\nModel=2\nStopBit=3\nBaudRate=15\nDataBit=-1\n");
    window->N10->trigger();
    EXPECT_TRUE(boxes.messages.empty());
    EXPECT_EQ(window->Cmb_Model->currentText(), QStringLiteral("UDP"));
    EXPECT_EQ(window->Cmb_StopBit->currentText(), QStringLiteral("2"));
    EXPECT_EQ(window->Cmb_Baud->currentText(), QString());
    EXPECT_EQ(window->Cmb_DataBit->currentText(), QString());
}

TEST_F(PanelSettingsTest, ABadFirstComboValueShowsTheConversionErrorAndChangesNothing) {
    MessageRecorder boxes;
    WriteCfg("[CFG]\nModel=abc\nGateWay=1.1.1.1\nIP=9.9.9.9\n");
    const std::vector<QString> before = Kept();
    window->N10->trigger();
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].text, "'abc' is not a valid integer value");
    EXPECT_EQ(boxes.messages[0].caption, "Lumiq V1.14  Tevaro-Team  ");
    EXPECT_EQ(boxes.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(Kept(), before);
}

TEST_F(PanelSettingsTest, ABadParityRestoresTheTenKeysBeforeIt) {
    MessageRecorder boxes;
    WriteCfg("[CFG]\nModel=1\nGateWay=10.0.0.1\nMask=255.0.0.0\nIP=10.0.0.2\nDIP=10.0.0.3\nPort=1\nDPort=2\n"
             "BaudRate=12\nDataBit=1\nStopBit=3\nParity=x\nMAC=aa:bb:cc:dd:ee:ff\n");
    window->Cmb_Parity->setCurrentIndex(2);
    window->Edt_MAC->setText(QStringLiteral("unchanged"));
    window->N10->trigger();
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].text, "'x' is not a valid integer value");
    EXPECT_EQ(Kept(), (std::vector<QString>{"TCP_Client", "10.0.0.1", "255.0.0.0", "10.0.0.2", "10.0.0.3",
                                            "1", "2", "115200", "9", "2", "Even", "unchanged"}));
}

TEST_F(PanelSettingsTest, AnUnwritableFileShowsTheWriteError) {
    MessageRecorder boxes;
    // A program folder and a configuration folder that cannot exist: both
    // lie below an ordinary file.
    const QString blocker = folder.filePath("not-a-folder");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    window->Services().settings =
        SettingsFile(blocker.toStdString() + "/program", blocker.toStdString() + "/config");
    window->N11->trigger();
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].text, "Unable to write to " + window->Services().settings.Path());
    EXPECT_EQ(boxes.messages[0].icon, MessageIcon::Stop);
}

TEST_F(PanelSettingsTest, RestoreMovesTheFocusToTheLog) {
    MessageRecorder boxes;
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->Edt_IP->setFocus();
    ASSERT_TRUE(window->Edt_IP->hasFocus());
    window->N10->trigger();
    EXPECT_TRUE(window->MemoInfo->hasFocus());
}

} // namespace
} // namespace lumiq::test
