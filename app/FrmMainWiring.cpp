// Connects every widget, menu item and timer to its handler. Each handler is
// entered through RunHandler, the standard error report.

#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <utility>

#include "app/ListChoice.h"
#include "app/TFrmMain.h"

namespace lumiq {

void TFrmMain::WireHandlers() {
    using Handler = void (TFrmMain::*)();
    const std::pair<QPushButton*, Handler> clicks[] = {
        {But_Model, &TFrmMain::But_ModelClick},     {But_ModelCheck, &TFrmMain::But_ModelCheckClick},
        {But_GATEWAY, &TFrmMain::But_GATEWAYClick}, {But_GATEWAYCheck, &TFrmMain::But_GATEWAYCheckClick},
        {But_MASK, &TFrmMain::But_MASKClick},       {But_MASKCheck, &TFrmMain::But_MASKCheckClick},
        {But_IP, &TFrmMain::But_IPClick},           {But_IPCheck, &TFrmMain::But_IPCheckClick},
        {But_DIP, &TFrmMain::But_DIPClick},         {But_DIPCheck, &TFrmMain::But_DIPCheckClick},
        {But_Port, &TFrmMain::But_PortClick},       {But_PortCheck, &TFrmMain::But_PortCheckClick},
        {But_DPort, &TFrmMain::But_DPortClick},     {But_DPortCheck, &TFrmMain::But_DPortCheckClick},
        {But_SetMAC, &TFrmMain::But_SetMACClick},   {But_MACCheck, &TFrmMain::But_MACCheckClick},
        {But_SetDCHP, &TFrmMain::But_SetDCHPClick}, {But_DCHPCheck, &TFrmMain::But_DCHPCheckClick},
        {But_SetName, &TFrmMain::But_SetNameClick}, {But_NameCheck, &TFrmMain::But_NameCheckClick},
        {But_SetUART, &TFrmMain::But_SetUARTClick}, {But_UARTCheck, &TFrmMain::But_UARTCheckClick},
        {But_UDPFind, &TFrmMain::But_UDPFindClick}, {But_Read, &TFrmMain::But_ReadClick},
        {But_Default, &TFrmMain::But_DefaultClick}, {But_OneKey, &TFrmMain::But_OneKeyClick},
        {But_ReadVer, &TFrmMain::But_ReadVerClick}, {But_Clear, &TFrmMain::But_ClearClick},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, [this, h = handler] { RunHandler(h); });

    const std::pair<QAction*, Handler> items[] = {
        {N10, &TFrmMain::N10Click}, {N11, &TFrmMain::N11Click},       {N12, &TFrmMain::N12Click},
        {N8, &TFrmMain::N8Click},   {TCPIP1, &TFrmMain::TCPIP1Click}, {N3, &TFrmMain::N3Click},
        {N4, &TFrmMain::N4Click},   {N13, &TFrmMain::N13Click},
    };
    for (const auto& [item, handler] : items)
        connect(item, &QAction::triggered, this, [this, h = handler] { RunHandler(h); });

    const std::pair<QTimer*, Handler> ticks[] = {
        {TimerRead, &TFrmMain::TimerReadTimer},
        {TimerPortRes, &TFrmMain::TimerPortResTimer},
        {TimerOut, &TFrmMain::TimerOutTimer},
    };
    for (const auto& [timer, handler] : ticks)
        connect(timer, &QTimer::timeout, this, [this, h = handler] { RunHandler(h); });

    // A line chosen with the mouse or the keyboard selects and reads its
    // module, once per choice.
    connect(new ListChoice(*ListBoxIP), &ListChoice::chosen, this,
            [this] { RunHandler(&TFrmMain::ListBoxIPClick); });
}

} // namespace lumiq
