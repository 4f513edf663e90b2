#include "app/TFrmAbout.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/WindowText.h"

namespace lumiq {

TFrmAbout::TFrmAbout()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(WindowText(QStringLiteral("关于")));
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing the main window ends the program even while this one is open.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* notice = new QLabel(WindowText(QStringLiteral("Lumiq 串口转以太网模块配置软件\n"
                                                        "版本 V1.14\n\n"
                                                        "Tevaro-Team 出品")),
                              this);
    notice->setObjectName(QStringLiteral("LaNotice"));
    notice->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(notice);
    setFixedSize(300, 140);
}

} // namespace lumiq
