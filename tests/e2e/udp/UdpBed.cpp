#include "tests/e2e/udp/UdpBed.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/GbkText.h"

namespace lumiq::test {

namespace {

const QString kVersionRead = QStringLiteral("          读取版本号成功");

} // namespace

ModuleFile::ModuleFile(std::string_view text) : path_(dir_.file("modules.ini")) {
    std::ofstream file(path_, std::ios::binary);
    file << text;
    if (!file)
        throw std::runtime_error("cannot write " + path_);
}

void ExpectPanelShows(ToolWindow& tool, const std::map<std::string, std::string>& params) {
    const auto text = [](const QLineEdit* edit) { return edit->text().toStdString(); };
    const auto digit = [&](const char* key) { return params.at(key).at(0) - '0'; };
    EXPECT_EQ(tool->Cmb_Model->currentIndex(), digit("MODEL"));
    EXPECT_EQ(text(tool->Edt_GATEWAY), params.at("GATEWAY"));
    EXPECT_EQ(text(tool->Edt_MASK), params.at("MASK"));
    EXPECT_EQ(text(tool->Edt_IP), params.at("IP"));
    EXPECT_EQ(text(tool->Edt_DIP), params.at("DIP"));
    EXPECT_EQ(text(tool->Edt_Port), params.at("PORT"));
    EXPECT_EQ(text(tool->Edt_DPort), params.at("DPORT"));
    EXPECT_EQ(tool->DCHP_Model->currentIndex(), digit("DCHP"));
    EXPECT_EQ(text(tool->Edt_Name), GbkToUtf8(params.at("NAME")));
    EXPECT_EQ(text(tool->Edt_MAC), params.at("MAC"));
    EXPECT_EQ(text(tool->LaVersion), params.at("VER"));

    std::istringstream uart(params.at("UART"));
    std::string baud, dataBits, stopBits, parity;
    std::getline(uart, baud, ',');
    std::getline(uart, dataBits, ',');
    std::getline(uart, stopBits, ',');
    std::getline(uart, parity, ',');
    EXPECT_EQ(tool->Cmb_Baud->currentText().toStdString(), baud);
    EXPECT_EQ(tool->Cmb_DataBit->currentText().toStdString(), dataBits);
    EXPECT_EQ(tool->Cmb_StopBit->currentIndex(), std::stoi(stopBits));
    EXPECT_EQ(tool->Cmb_Parity->currentIndex(), std::stoi(parity));
}

std::vector<std::string> ReceivedBytes(testbed::SimControl& control) {
    std::vector<std::string> bytes;
    for (const auto& frame : control.received())
        bytes.push_back(frame.bytes);
    return bytes;
}

UdpBed::UdpBed(testbed::SimLanOptions options) : lan(std::move(options)), hostMac_(lan.hostMac()) {}

bool UdpBed::search(int count) {
    ToolWindow::click(tool->But_UDPFind);
    return ToolWindow::waitFor([&] { return tool->ListBoxIP->count() == count; });
}

bool UdpBed::selectAndRead(int row) {
    const int before = tool.logCount(kVersionRead);
    tool.clickModule(row);
    return tool.waitForLog(kVersionRead, before + 1);
}

bool UdpBed::clickAndWaitLog(QAbstractButton* button, const QString& logText) {
    const int before = tool.logCount(logText);
    ToolWindow::click(button);
    return tool.waitForLog(logText, before + 1);
}

} // namespace lumiq::test
