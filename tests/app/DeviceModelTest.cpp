// The window's lists, the engine's value checks and the CFG.ini keys all come
// from the rows of the device model. This holds them against each other
// through the window itself: an item the window shows must be a value the
// engine takes, and both must send it as the same digit.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>

#include <map>
#include <string>
#include <vector>

#include "device/Frames.h"
#include "device/ValueRules.h"
#include "presenter/PanelSettings.h"
#include "tests/app/WindowFixture.h"

namespace lumiq::test {
namespace {

using DeviceModel = WindowFixture;

std::vector<std::string> CfgKeysInOrder(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    std::vector<std::string> keys;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            keys.push_back(line.left(equals).toStdString());
    }
    return keys;
}

TEST_F(DeviceModel, WindowListsValueChecksAndCfgIniKeysAgreeOnEveryRow) {
    const std::map<Param, QComboBox*> combos{
        {Param::Mode, window->Cmb_Model},       {Param::Dhcp, window->DCHP_Model},
        {Param::Baud, window->Cmb_Baud},        {Param::DataBits, window->Cmb_DataBit},
        {Param::StopBits, window->Cmb_StopBit}, {Param::Parity, window->Cmb_Parity},
    };
    PanelView& panel = window->Panel();
    for (const ParamRow& row : kParamRows) {
        SCOPED_TRACE(std::string(row.key));
        EXPECT_EQ(ParamOfKey(row.key), row.param);
        if (!row.settingsKey.empty()) {
            EXPECT_EQ(ParamOfKey(row.settingsKey), row.param);
        }
        const auto combo = combos.find(row.param);
        ASSERT_EQ(combo != combos.end(), !row.shown.empty());
        if (row.shown.empty())
            continue;
        ASSERT_EQ(static_cast<std::size_t>(combo->second->count()), row.shown.size());
        for (std::size_t i = 0; i < row.shown.size(); ++i) {
            const std::string shown(row.shown[i]);
            EXPECT_EQ(combo->second->itemText(static_cast<int>(i)).toStdString(), shown);
            panel.setItemIndex(row.param, static_cast<int>(i));
            ASSERT_EQ(panel.text(row.param), shown);
            const Value value = CheckValue(row.param, panel.text(row.param));
            if (row.set.argument == SetArgument::Digit) {
                // The window sends the item's index as the digit.
                EXPECT_EQ(WireArgument(value), std::string(1, DigitArgument(panel.itemIndex(row.param))));
            } else if (!row.choices.empty()) {
                EXPECT_EQ(ChoiceDigit(row.param, value.text), panel.itemIndex(row.param));
            } else {
                EXPECT_EQ(value.text, shown); // data bits: the text itself goes on the wire
            }
        }
    }

    SavePanel(panel, window->Services().settings);
    const std::vector<std::string> written = CfgKeysInOrder(CfgPath());
    EXPECT_EQ(written, std::vector<std::string>(SettingsKeys().begin(), SettingsKeys().end()));
}

} // namespace
} // namespace lumiq::test
