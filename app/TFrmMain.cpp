// The main window's event handlers, all of them complete. Those of the panel
// commands, the search, the module list, the engine's timers and the link
// switch forward to the presenter (ModuleController); the window's own
// look after the log, the 文件 menu, the product page, About and closing.

#include "app/TFrmMain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSize>

#include "app/AdapterMenu.h"
#include "app/ApplicationTitle.h"
#include "app/HandlerGuard.h"
#include "app/MemoInfoLog.h"
#include "app/QtEngineTimer.h"
#include "app/SeamDialogs.h"
#include "app/ThreadPause.h"
#include "app/WidgetModuleList.h"
#include "app/WidgetPanelView.h"
#include "links/ComPortSerialLink.h"
#include "links/SocketUdpLink.h"
#include "presenter/ModuleController.h"
#include "presenter/NoticeQueue.h"
#include "presenter/PanelSettings.h"
#include "state/InformationLog.h"
#include "trace/PacketTrace.h"

namespace lumiq {

TFrmMain::TFrmMain(FrmMainServices services) : services_(std::move(services)) {
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QString::fromUtf8(kCaption));
    // System menu and minimize box, no maximize box: the window is made
    // larger by its border.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    CreateComponents();
    CreateMenu();
    CreateTimers();

    // In the order of Param.
    panel_ = std::make_unique<WidgetPanelView>(std::array<QWidget*, kParamCount>{
        Cmb_Model, Edt_GATEWAY, Edt_MASK, Edt_IP, Edt_DIP, Edt_Port, Edt_DPort, DCHP_Model, Edt_Name,
        Cmb_Baud, Cmb_DataBit, Cmb_StopBit, Cmb_Parity, Edt_MAC, LaVersion});
    moduleList_ = std::make_unique<WidgetModuleList>(*ListBoxIP, *But_UDPFind);
    log_ = std::make_unique<MemoInfoLog>(*MemoInfo);
    dialogs_ = std::make_unique<SeamDialogs>(this);
    notices_ = std::make_unique<NoticeQueue>(*dialogs_, *log_);
    readTimer_ = std::make_unique<QtEngineTimer>(*TimerRead);
    portResTimer_ = std::make_unique<QtEngineTimer>(*TimerPortRes);
    outTimer_ = std::make_unique<QtEngineTimer>(*TimerOut);
    pause_ = std::make_unique<ThreadPause>();

    SetUpLinks();
    WireHandlers();

    // Opens at its own size and place; the operator may make it larger, the
    // log taking the room, never smaller.
    const QSize startSize(kClientWidth, kClientHeight + MainMenu1->sizeHint().height());
    setMinimumSize(startSize);
    resize(startSize);
    move(200, 50);
    FormCreate();
}

TFrmMain::~TFrmMain() {
    StopTrace();
    TakeLinksDown();
    delete FrmAbout.data(); // an About window still open goes with the program
}

void TFrmMain::AddLogLine(const QString& text) {
    log_->addLogLine(text.toStdString());
}

void TFrmMain::AppendPlain(const QString& text) {
    log_->appendPlain(text.toStdString());
}

PanelView& TFrmMain::Panel() {
    return *panel_;
}
ModuleListView& TFrmMain::ModuleList() {
    return *moduleList_;
}
InfoLog& TFrmMain::Log() {
    return *log_;
}
OperatorDialogs& TFrmMain::Dialogs() {
    return *notices_;
}
EngineTimer& TFrmMain::ReadTimer() {
    return *readTimer_;
}
EngineTimer& TFrmMain::PortResTimer() {
    return *portResTimer_;
}
EngineTimer& TFrmMain::OutTimer() {
    return *outTimer_;
}
Pause& TFrmMain::EnginePause() {
    return *pause_;
}

void TFrmMain::RunHandler(void (TFrmMain::*handler)()) {
    RunGuarded(*notices_, [this, handler] { (this->*handler)(); });
}

void TFrmMain::FormCreate() {
    AppendPlain(QStringLiteral("操作说明："));
    AppendPlain(QStringLiteral("  1、搜索模块 按键：在TCP模式下可用，搜索到的模块将在左边的框内显示"));
    AppendPlain(QStringLiteral("  2、读参数 按键：将模块所有可读参数均读取出显示"));
    AppendPlain(QStringLiteral("  3、出厂设置 按键：将所有的参数恢复为出厂默认值"));
    AppendPlain(QStringLiteral("  4、一键写入 按键：将所有的参数写入到模块中"));
    AppendPlain(QStringLiteral("  5、每个参数都有独立的 查询 及 设置 的按键"));
    AppendPlain(QStringLiteral("软件刚打开默认通讯方式为：UDP"));
    AppendPlain(QString());
    SetApplicationTitle(windowTitle());
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    RunHandler(&TFrmMain::FormClose);
    event->accept();
}

void TFrmMain::FormClose() {
    // For a support bundle; a log that cannot be kept is no reason to stay open.
    KeepInformationLog(MemoInfo->toPlainText().toStdString());
    if (LinkShutdown)
        LinkShutdown();
}

void TFrmMain::But_ClearClick() {
    MemoInfo->clear();
}

void TFrmMain::N3Click() {
    // Failure to open the page is not reported.
    const QUrl page(QString::fromLatin1(kProductPageUrl));
    if (services_.openUrl)
        services_.openUrl(page);
    else
        QDesktopServices::openUrl(page);
}

void TFrmMain::N4Click() {
    if (FrmAbout)
        return; // at most one About window
    FrmAbout = new TFrmAbout;
    FrmAbout->show();
}

void TFrmMain::N10Click() {
    MemoInfo->setFocus();
    RestorePanel(*panel_, services_.settings);
}

void TFrmMain::N11Click() {
    SavePanel(*panel_, services_.settings);
}

void TFrmMain::N12Click() {
    // At once and without FormClose: exit() leaves every running event loop,
    // where quit() would first ask the windows to close. The log is kept all the same.
    KeepInformationLog(MemoInfo->toPlainText().toStdString());
    QCoreApplication::exit(0);
}

// The panel's commands, the search, the engine's timers and the link switch
// belong to the presenter.
void TFrmMain::But_ModelClick() {
    controller_->set(Param::Mode);
}
void TFrmMain::But_ModelCheckClick() {
    controller_->query(Param::Mode);
}
void TFrmMain::But_GATEWAYClick() {
    controller_->set(Param::Gateway);
}
void TFrmMain::But_GATEWAYCheckClick() {
    controller_->query(Param::Gateway);
}
void TFrmMain::But_MASKClick() {
    controller_->set(Param::Mask);
}
void TFrmMain::But_MASKCheckClick() {
    controller_->query(Param::Mask);
}
void TFrmMain::But_IPClick() {
    controller_->set(Param::Ip);
}
void TFrmMain::But_IPCheckClick() {
    controller_->query(Param::Ip);
}
void TFrmMain::But_DIPClick() {
    controller_->set(Param::Dip);
}
void TFrmMain::But_DIPCheckClick() {
    controller_->query(Param::Dip);
}
void TFrmMain::But_PortClick() {
    controller_->set(Param::Port);
}
void TFrmMain::But_PortCheckClick() {
    controller_->query(Param::Port);
}
void TFrmMain::But_DPortClick() {
    controller_->set(Param::DPort);
}
void TFrmMain::But_DPortCheckClick() {
    controller_->query(Param::DPort);
}
void TFrmMain::But_SetMACClick() {
    controller_->set(Param::Mac);
}
void TFrmMain::But_MACCheckClick() {
    controller_->query(Param::Mac);
}
void TFrmMain::But_SetDCHPClick() {
    controller_->set(Param::Dhcp);
}
void TFrmMain::But_DCHPCheckClick() {
    controller_->query(Param::Dhcp);
}
void TFrmMain::But_SetNameClick() {
    controller_->set(Param::Name);
}
void TFrmMain::But_NameCheckClick() {
    controller_->query(Param::Name);
}
void TFrmMain::But_SetUARTClick() {
    controller_->set(Param::Baud);
}
void TFrmMain::But_UARTCheckClick() {
    controller_->query(Param::Baud);
}
void TFrmMain::But_UDPFindClick() {
    controller_->search(adapterMenu_->searchRoutes());
}
void TFrmMain::ListBoxIPClick() {
    const QList<QListWidgetItem*> selected = ListBoxIP->selectedItems();
    controller_->selectModule(selected.isEmpty() ? -1 : ListBoxIP->row(selected.front()));
}
void TFrmMain::But_ReadClick() {
    controller_->readAll();
}
void TFrmMain::But_DefaultClick() {
    controller_->factoryDefault();
}
void TFrmMain::But_OneKeyClick() {
    controller_->oneKeyWrite();
}
void TFrmMain::But_ReadVerClick() {
    controller_->query(Param::Version);
}
void TFrmMain::TimerReadTimer() {
    controller_->onTimerRead();
}
void TFrmMain::TimerPortResTimer() {
    controller_->onTimerPortRes();
}
void TFrmMain::TimerOutTimer() {
    controller_->onTimerOut();
}
void TFrmMain::N8Click() {
    controller_->switchToSerial();
}
void TFrmMain::TCPIP1Click() {
    controller_->switchToUdp();
}

} // namespace lumiq
