// The main menu and the window's three timers.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "app/AdapterMenu.h"
#include "app/BatchDialog.h"
#include "app/BatchModules.h"
#include "app/HandlerGuard.h"
#include "app/LanguageMenu.h"
#include "app/TFrmMain.h"
#include "app/WidgetPanelView.h"
#include "app/WindowText.h"
#include "net/AdapterList.h"
#include "presenter/NoticeQueue.h"
#include "presenter/OperatorNotice.h"

namespace lumiq {
namespace {

QAction* MakeItem(QWidget* menu, const char* name, const QString& caption, QKeyCombination shortcut) {
    auto* item = new QAction(WindowText(caption), menu);
    item->setObjectName(QString::fromLatin1(name));
    if (shortcut.key() != Qt::Key_unknown)
        item->setShortcut(QKeySequence(shortcut));
    menu->addAction(item);
    return item;
}

QMenu* MakeMenu(QMenuBar* bar, const char* name, const QString& caption) {
    QMenu* menu = bar->addMenu(WindowText(caption));
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Item"));
    return menu;
}

QTimer* MakeTimer(QObject* owner, const char* name, int intervalMs) {
    auto* timer = new QTimer(owner);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(intervalMs);
    // A coarse QTimer may fire up to 5 % early: a 300 ms serial receive
    // window would close after 285 ms and miss a module that answers late.
    // The engine's waits are lower bounds, as window timers never fire early.
    timer->setTimerType(Qt::PreciseTimer);
    return timer; // created stopped: the engine enables it
}

} // namespace

void TFrmMain::CreateMenu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    // In the window, not in a desktop's global menu bar: the client area is
    // measured below it, and the top-level items act on a click.
    MainMenu1->setNativeMenuBar(false);

    N9 = MakeMenu(MainMenu1, "N9", QStringLiteral("文件"));
    N10 = MakeItem(N9, "N10", QStringLiteral("还原配置"), Qt::CTRL | Qt::Key_D);
    N11 = MakeItem(N9, "N11", QStringLiteral("保存配置"), Qt::CTRL | Qt::Key_S);
    N13 = MakeItem(N9, "N13", QStringLiteral("保存通讯记录…"), Qt::Key_unknown);
    N13->setCheckable(true);
    BatchItem = MakeItem(N9, "BatchItem", QStringLiteral("批量配置…"), Qt::Key_unknown);
    connect(BatchItem, &QAction::triggered, this, [this] { RunHandler(&TFrmMain::BatchItemClick); });
    N12 = MakeItem(N9, "N12", QStringLiteral("退出"), Qt::CTRL | Qt::Key_Q);

    N2 = MakeMenu(MainMenu1, "N2", QStringLiteral("通讯方式"));
    N8 = MakeItem(N2, "N8", QStringLiteral("串口通讯"), Qt::CTRL | Qt::Key_P);
    TCPIP1 = MakeItem(N2, "TCPIP1", QStringLiteral("TCPIP通讯"), Qt::CTRL | Qt::Key_T);
    adapterMenu_ = std::make_unique<AdapterMenu>(
        *N2, services_.settings.ConfigDir(),
        [this](const std::function<void()>& handler) { RunGuarded(*notices_, handler); });

    N3 = MakeItem(MainMenu1, "N3", QStringLiteral("产品介绍"), Qt::Key_unknown);
    N4 = MakeItem(MainMenu1, "N4", QStringLiteral("关于"), Qt::Key_unknown);
    languageMenu_ =
        new LanguageMenu(*MainMenu1, *this, services_.settings.ConfigDir(), services_.language,
                         [this](const std::function<void()>& handler) { RunGuarded(*notices_, handler); });
}

void TFrmMain::BatchItemClick() {
    if (Batch)
        return;
    // One socket for both: the dialog starts only when no command of the
    // window's own is under way, and the window's commands wait while it is open.
    const bool busy = TimerRead->isActive() || TimerPortRes->isActive() || TimerOut->isActive() ||
                      services_.state.OneKeyWrite != 0;
    if (busy || services_.state.LinkMode != LinkMode::Udp) {
        ShowStop(*notices_, busy ? "请等待当前操作完成后再批量配置" : "批量配置只用于TCPIP通讯");
        return;
    }
    std::vector<Adapter> adapters = ListAdapters();
    std::vector<SearchRoute> routes =
        BatchSearchRoutes(adapterMenu_->searchRoutes(), adapters, services_.state.LocalIp);
    std::vector<fleet::FoundModule> modules = RegistryModules(services_.state, routes);
    Batch = new BatchDialog(this, BatchDialogServices{*MySocket, std::move(adapters), std::move(routes),
                                                      std::move(modules), *panel_, *notices_,
                                                      services_.chooseBatchFile});
    Batch->setAttribute(Qt::WA_DeleteOnClose);
    Batch->open();
}

void TFrmMain::CreateTimers() {
    TimerRead = MakeTimer(this, "TimerRead", 1000); // the engine sets the interval before each use
    TimerPortRes = MakeTimer(this, "TimerPortRes", 300);
    TimerOut = MakeTimer(this, "TimerOut", 4000);
}

} // namespace lumiq
