#pragma once
// A main window whose CFG.ini lives in a temporary folder and whose browser
// only records the addresses it is asked to open.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QUrl>
#include <memory>
#include <vector>

#include "app/TFrmMain.h"

namespace lumiq::test {

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        window = std::make_unique<TFrmMain>(FrmMainServices{
            state, SettingsFile(folder.path().toStdString(), folder.filePath("config").toStdString()),
            [this](const QUrl& url) {
                opened.push_back(url);
                return openSucceeds;
            }});
    }

    std::string CfgPath() const { return window->Services().settings.Path(); }

    QTemporaryDir folder;
    ToolState state;
    std::vector<QUrl> opened;
    bool openSucceeds = true;
    std::unique_ptr<TFrmMain> window;
};

} // namespace lumiq::test
