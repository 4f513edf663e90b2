#pragma once
// The main window: parameter panel, module list, menus, information log and
// the three engine timers. Every event handler is a method named after its
// widget; each runs inside the standard error report (HandlerGuard.h).
//
// Widget construction is in FrmMainWidgets.cpp and FrmMainMenu.cpp, the
// connection of events to handlers in FrmMainWiring.cpp, the handlers in
// TFrmMain.cpp.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/FrmMainServices.h"
#include "app/TFrmAbout.h"
#include "presenter/ControllerPorts.h"

class QAction;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace lumiq {

class AdapterMenu;
class BatchDialog;
class LanguageMenu;
class ComPortSerialLink;
class MemoInfoLog;
class ModuleController;
class NoticeQueue;
class PacketTrace;
class SocketUdpLink;
class TComPort;
class TcmSocket;
class QtEngineTimer;
class SeamDialogs;
class ThreadPause;
class WidgetModuleList;
class WidgetPanelView;

class TFrmMain : public QMainWindow {
    Q_OBJECT
public:
    // The area below the menu bar.
    static constexpr int kClientWidth = 710;
    static constexpr int kClientHeight = 566;
    static constexpr const char* kCaption = "Lumiq V1.14  Tevaro-Team  ";
    // Opened by "产品介绍"; held by the hidden UrlLabel1.
    static constexpr const char* kProductPageUrl = "https://www.tevaro.com/lumiq";

    explicit TFrmMain(FrmMainServices services);
    ~TFrmMain() override;

    // One time-stamped line of the information log.
    void AddLogLine(const QString& text);
    // One line without a time stamp.
    void AppendPlain(const QString& text);

    // The window's side of the presenter's interfaces.
    PanelView& Panel();
    ModuleListView& ModuleList();
    InfoLog& Log();
    OperatorDialogs& Dialogs();
    EngineTimer& ReadTimer();
    EngineTimer& PortResTimer();
    EngineTimer& OutTimer();
    Pause& EnginePause();

    FrmMainServices& Services() { return services_; }

    // The presenter every panel, timer and socket handler forwards to.
    ModuleController& Controller() { return *controller_; }

    // Runs a handler the way the event loop does: an exception ends it and is
    // shown by the standard error report, through the window's notice queue.
    void RunHandler(void (TFrmMain::*handler)());

    // Takes the UDP link down; FormClose runs it. Filled by the link set-up.
    std::function<void()> LinkShutdown;

    // The About window while one exists.
    QPointer<TFrmAbout> FrmAbout;
    // 批量配置 while it is open; the socket's datagrams go to it meanwhile.
    QPointer<BatchDialog> Batch;

    QMenuBar* MainMenu1 = nullptr;
    QMenu* N9 = nullptr; // 文件
    QAction* N10 = nullptr;
    QAction* N11 = nullptr;
    QAction* N13 = nullptr;       // 保存通讯记录…, checked while a trace runs
    QAction* BatchItem = nullptr; // 批量配置…
    QAction* N12 = nullptr;
    QMenu* N2 = nullptr; // 通讯方式
    QAction* N8 = nullptr;
    QAction* TCPIP1 = nullptr;
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;

    QListWidget* ListBoxIP = nullptr;
    QPushButton* But_UDPFind = nullptr;
    QPushButton* But_Read = nullptr;
    QPushButton* But_Default = nullptr;
    QPushButton* But_OneKey = nullptr;

    QComboBox* Cmb_Model = nullptr;
    QLineEdit* Edt_GATEWAY = nullptr;
    QLineEdit* Edt_MASK = nullptr;
    QLineEdit* Edt_IP = nullptr;
    QLineEdit* Edt_DIP = nullptr;
    QLineEdit* Edt_Port = nullptr;
    QLineEdit* Edt_DPort = nullptr;
    QLineEdit* Edt_MAC = nullptr;
    QComboBox* DCHP_Model = nullptr;
    QLineEdit* Edt_Name = nullptr;
    QComboBox* Cmb_Baud = nullptr;
    QComboBox* Cmb_DataBit = nullptr;
    QComboBox* Cmb_StopBit = nullptr;
    QComboBox* Cmb_Parity = nullptr;

    QPushButton* But_Model = nullptr;
    QPushButton* But_ModelCheck = nullptr;
    QPushButton* But_GATEWAY = nullptr;
    QPushButton* But_GATEWAYCheck = nullptr;
    QPushButton* But_MASK = nullptr;
    QPushButton* But_MASKCheck = nullptr;
    QPushButton* But_IP = nullptr;
    QPushButton* But_IPCheck = nullptr;
    QPushButton* But_DIP = nullptr;
    QPushButton* But_DIPCheck = nullptr;
    QPushButton* But_Port = nullptr;
    QPushButton* But_PortCheck = nullptr;
    QPushButton* But_DPort = nullptr;
    QPushButton* But_DPortCheck = nullptr;
    QPushButton* But_SetMAC = nullptr;
    QPushButton* But_MACCheck = nullptr;
    QPushButton* But_SetDCHP = nullptr;
    QPushButton* But_DCHPCheck = nullptr;
    QPushButton* But_SetName = nullptr;
    QPushButton* But_NameCheck = nullptr;
    QPushButton* But_SetUART = nullptr;
    QPushButton* But_UARTCheck = nullptr;

    QPushButton* But_Clear = nullptr;
    QPushButton* But_ReadVer = nullptr;
    QLineEdit* LaVersion = nullptr;
    QPlainTextEdit* MemoInfo = nullptr;
    QLabel* UrlLabel1 = nullptr;

    QTimer* TimerRead = nullptr;
    QTimer* TimerPortRes = nullptr;
    QTimer* TimerOut = nullptr;

    // The serial port, closed until the operator chooses the serial link.
    TComPort* ComPort = nullptr;
    // The UDP socket, bound to port 5000 while the window is built.
    TcmSocket* MySocket = nullptr;

public slots:
    // Panel commands; the presenter fills them in.
    void But_ModelClick();
    void But_ModelCheckClick();
    void But_GATEWAYClick();
    void But_GATEWAYCheckClick();
    void But_MASKClick();
    void But_MASKCheckClick();
    void But_IPClick();
    void But_IPCheckClick();
    void But_DIPClick();
    void But_DIPCheckClick();
    void But_PortClick();
    void But_PortCheckClick();
    void But_DPortClick();
    void But_DPortCheckClick();
    void But_SetMACClick();
    void But_MACCheckClick();
    void But_SetDCHPClick();
    void But_DCHPCheckClick();
    void But_SetNameClick();
    void But_NameCheckClick();
    void But_SetUARTClick();
    void But_UARTCheckClick();
    void But_UDPFindClick();
    void ListBoxIPClick();
    void But_ReadClick();
    void But_DefaultClick();
    void But_OneKeyClick();
    void But_ReadVerClick();
    void TimerReadTimer();
    void TimerPortResTimer();
    void TimerOutTimer();
    void N8Click();
    void TCPIP1Click();

    // Events of the socket and the port.
    void MySocketReceive(TcmSocket& sender, int peerSocket, std::uint16_t peerPort, std::uint32_t peerIp,
                         const char* data, int length);
    void MySocketAccept(TcmSocket& sender, int socket, std::uint32_t ip, std::uint16_t port);
    void MySocketActiveChanged(TcmSocket& sender);
    void MySocketDiscard(TcmSocket& sender, int socket, std::uint32_t ip, std::uint16_t port);
    void MySocketError(TcmSocket& sender, int code, const std::string& message);
    void ComPortRxChar(int count);

    // The window's own.
    void But_ClearClick();
    void N3Click();
    void N4Click();
    void N10Click();
    void N11Click();
    void N12Click();
    void N13Click();
    void BatchItemClick();
    void FormCreate();
    void FormClose();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateComponents();
    QWidget* CreateParameterGroup();
    void CreateModuleRows(QGridLayout* rows);
    QWidget* CreateUartGroup();
    QWidget* CreateInfoGroup();
    void CreateMenu();
    void CreateTimers();
    void CreateComPort();
    void SetUpLinks();
    void TakeLinksDown() noexcept;
    void WireHandlers();
    void StopTrace() noexcept;

    FrmMainServices services_;
    std::unique_ptr<WidgetPanelView> panel_;
    std::unique_ptr<WidgetModuleList> moduleList_;
    std::unique_ptr<MemoInfoLog> log_;
    std::unique_ptr<SeamDialogs> dialogs_;
    // Every box the window's handlers raise goes through it: one open at a time.
    std::unique_ptr<NoticeQueue> notices_;
    std::unique_ptr<QtEngineTimer> readTimer_;
    std::unique_ptr<QtEngineTimer> portResTimer_;
    std::unique_ptr<QtEngineTimer> outTimer_;
    std::unique_ptr<ThreadPause> pause_;
    std::unique_ptr<SocketUdpLink> udpLink_;
    std::unique_ptr<ComPortSerialLink> serialLink_;
    std::unique_ptr<ModuleController> controller_;
    // 通讯方式 > 网卡: the adapters a search goes out on.
    std::unique_ptr<AdapterMenu> adapterMenu_;
    LanguageMenu* languageMenu_ = nullptr; // a child of the window
    // The running trace; the socket and the port report to it.
    std::unique_ptr<PacketTrace> trace_;
};

} // namespace lumiq
