// Construction of the main window's client area: the parameter panel on the
// left, the information log on the right. Positions come from layouts; the
// font has a fixed pixel size so that the fixed 710 x 566 area holds every
// row whatever the desktop's font settings are.

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/TFrmMain.h"
#include "app/WindowText.h"
#include "device/Parameter.h"

namespace lumiq {
namespace {

constexpr int kLeftGroupWidth = 375;
constexpr int kRowButtonWidth = 44;

QPushButton* MakeButton(const char* name, const QString& caption) {
    auto* button = new QPushButton(WindowText(caption));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

// A 查询 or 设置 button of a parameter row; its accessible name says which
// row it belongs to, so that screen readers and UI automation can tell the
// pairs apart.
QPushButton* MakeRowButton(const char* name, const QString& caption, const QString& rowName) {
    QPushButton* button = MakeButton(name, caption);
    button->setAccessibleName(button->text() + u' ' + WindowText(rowName));
    button->setFixedWidth(kRowButtonWidth);
    return button;
}

QLineEdit* MakeEdit(const char* name, const QString& text) {
    auto* edit = new QLineEdit(text);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

// A listed parameter's items, in the order of the digits the module uses.
QStringList ShownChoices(Param param) {
    QStringList items;
    for (const std::string_view text : RowOf(param).shown)
        items << WindowText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    return items;
}

QComboBox* MakeCombo(const char* name, const QStringList& items, int selected) {
    auto* combo = new QComboBox;
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    // Typed text is a value to send, never a new item.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    combo->setCurrentIndex(selected);
    return combo;
}

QLabel* MakeLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(WindowText(text));
    label->setBuddy(buddy); // gives the field its accessible name
    return label;
}

// A group box named by its own title. Without a name of its own, a group
// inside another group would be read out under the outer group's title.
QGroupBox* MakeGroup(const char* name, const QString& title) {
    auto* group = new QGroupBox(WindowText(title));
    group->setObjectName(QString::fromLatin1(name));
    group->setAccessibleName(group->title());
    return group;
}

// "模块IP：" names its row "模块IP" (before either is translated).
QString RowName(const QString& label) {
    return label.endsWith(u'：') ? label.chopped(1) : label;
}

} // namespace

void TFrmMain::CreateComponents() {
    QFont panelFont = font();
    panelFont.setPixelSize(12);
    setFont(panelFont);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setMinimumSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    constexpr int kTopMargin = 2;
    constexpr int kBottomMargin = 4;
    auto* columns = new QHBoxLayout(client);
    columns->setContentsMargins(4, kTopMargin, 4, kBottomMargin);
    columns->setSpacing(4);
    // The parameter rows keep their size in a larger window; the log grows.
    QWidget* parameters = CreateParameterGroup();
    parameters->setFixedHeight(kClientHeight - kTopMargin - kBottomMargin);
    columns->addWidget(parameters, 0, Qt::AlignTop);
    columns->addWidget(CreateInfoGroup(), 1);

    UrlLabel1 = new QLabel(client);
    UrlLabel1->setObjectName(QStringLiteral("UrlLabel1"));
    UrlLabel1->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(QString::fromLatin1(kProductPageUrl)));
    UrlLabel1->setOpenExternalLinks(false);
    UrlLabel1->hide();
}

QWidget* TFrmMain::CreateParameterGroup() {
    QGroupBox* group = MakeGroup("GroupTCPIP", QStringLiteral("TCPIP参数设置区："));
    group->setFixedWidth(kLeftGroupWidth);
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(6, 4, 6, 6);
    column->setSpacing(4);

    QGroupBox* listGroup = MakeGroup("GroupIP", QStringLiteral("IP及端口号："));
    auto* listLayout = new QVBoxLayout(listGroup);
    listLayout->setContentsMargins(4, 2, 4, 4);
    ListBoxIP = new QListWidget;
    ListBoxIP->setObjectName(QStringLiteral("ListBoxIP"));
    ListBoxIP->setAccessibleName(WindowText(QStringLiteral("IP及端口号")));
    ListBoxIP->setMinimumHeight(40);
    listLayout->addWidget(ListBoxIP);
    column->addWidget(listGroup, 1);

    auto* topButtons = new QHBoxLayout;
    But_UDPFind = MakeButton("But_UDPFind", QStringLiteral("搜索模块 "));
    But_Read = MakeButton("But_Read", QStringLiteral("读参数"));
    But_Default = MakeButton("But_Default", QStringLiteral("出厂设置"));
    But_OneKey = MakeButton("But_OneKey", QStringLiteral("一键写入"));
    for (QPushButton* button : {But_UDPFind, But_Read, But_Default, But_OneKey})
        topButtons->addWidget(button);
    column->addLayout(topButtons);

    auto* rows = new QGridLayout;
    rows->setVerticalSpacing(3);
    rows->setHorizontalSpacing(4);
    CreateModuleRows(rows);
    column->addLayout(rows);
    column->addWidget(CreateUartGroup());
    return group;
}

void TFrmMain::CreateModuleRows(QGridLayout* rows) {
    Cmb_Model = MakeCombo("Cmb_Model", ShownChoices(Param::Mode), 0);
    Edt_GATEWAY = MakeEdit("Edt_GATEWAY", QStringLiteral("192.168.1.1"));
    Edt_MASK = MakeEdit("Edt_MASK", QStringLiteral("192.168.0.1"));
    Edt_IP = MakeEdit("Edt_IP", QStringLiteral("192.168.1.199"));
    Edt_DIP = MakeEdit("Edt_DIP", QStringLiteral("192.168.1.100"));
    Edt_Port = MakeEdit("Edt_Port", QStringLiteral("5000"));
    Edt_DPort = MakeEdit("Edt_DPort", QStringLiteral("6000"));
    Edt_MAC = MakeEdit("Edt_MAC", QString());
    DCHP_Model = MakeCombo("DCHP_Model", ShownChoices(Param::Dhcp), 0);
    Edt_Name = MakeEdit("Edt_Name", QString());

    struct Row {
        QString label;
        QWidget* field;
        QPushButton** query;
        const char* queryName;
        QPushButton** set;
        const char* setName;
    };
    const Row table[] = {
        {QStringLiteral("工作模式："), Cmb_Model, &But_ModelCheck, "But_ModelCheck", &But_Model, "But_Model"},
        {QStringLiteral("网关IP："), Edt_GATEWAY, &But_GATEWAYCheck, "But_GATEWAYCheck", &But_GATEWAY,
         "But_GATEWAY"},
        {QStringLiteral("子网掩码："), Edt_MASK, &But_MASKCheck, "But_MASKCheck", &But_MASK, "But_MASK"},
        {QStringLiteral("模块IP："), Edt_IP, &But_IPCheck, "But_IPCheck", &But_IP, "But_IP"},
        {QStringLiteral("目的IP："), Edt_DIP, &But_DIPCheck, "But_DIPCheck", &But_DIP, "But_DIP"},
        {QStringLiteral("端口号："), Edt_Port, &But_PortCheck, "But_PortCheck", &But_Port, "But_Port"},
        {QStringLiteral("目的端口："), Edt_DPort, &But_DPortCheck, "But_DPortCheck", &But_DPort, "But_DPort"},
        {QStringLiteral("MAC地址："), Edt_MAC, &But_MACCheck, "But_MACCheck", &But_SetMAC, "But_SetMAC"},
        {QStringLiteral("DCHP模式："), DCHP_Model, &But_DCHPCheck, "But_DCHPCheck", &But_SetDCHP,
         "But_SetDCHP"},
        {QStringLiteral("设备名称："), Edt_Name, &But_NameCheck, "But_NameCheck", &But_SetName,
         "But_SetName"},
    };
    int line = 0;
    for (const Row& row : table) {
        const QString rowName = RowName(row.label);
        *row.query = MakeRowButton(row.queryName, QStringLiteral("查询"), rowName);
        *row.set = MakeRowButton(row.setName, QStringLiteral("设置"), rowName);
        rows->addWidget(MakeLabel(row.label, row.field), line, 0);
        rows->addWidget(row.field, line, 1);
        rows->addWidget(*row.query, line, 2);
        rows->addWidget(*row.set, line, 3);
        ++line;
    }
}

QWidget* TFrmMain::CreateUartGroup() {
    QGroupBox* group = MakeGroup("GroupUART", QStringLiteral("串口参数设置："));
    Cmb_Baud = MakeCombo("Cmb_Baud", ShownChoices(Param::Baud), 6);
    Cmb_DataBit = MakeCombo("Cmb_DataBit", ShownChoices(Param::DataBits), 0);
    Cmb_StopBit = MakeCombo("Cmb_StopBit", ShownChoices(Param::StopBits), 1);
    Cmb_Parity = MakeCombo("Cmb_Parity", ShownChoices(Param::Parity), 0);
    const QString rowName = QStringLiteral("串口参数");
    But_UARTCheck = MakeRowButton("But_UARTCheck", QStringLiteral("查询"), rowName);
    But_SetUART = MakeRowButton("But_SetUART", QStringLiteral("设置"), rowName);

    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 6);
    grid->setVerticalSpacing(3);
    grid->setHorizontalSpacing(4);
    grid->addWidget(MakeLabel(QStringLiteral("波特率："), Cmb_Baud), 0, 0);
    grid->addWidget(Cmb_Baud, 0, 1);
    grid->addWidget(MakeLabel(QStringLiteral("数据位："), Cmb_DataBit), 0, 2);
    grid->addWidget(Cmb_DataBit, 0, 3);
    grid->addWidget(But_UARTCheck, 0, 4);
    grid->addWidget(MakeLabel(QStringLiteral("停止位："), Cmb_StopBit), 1, 0);
    grid->addWidget(Cmb_StopBit, 1, 1);
    grid->addWidget(MakeLabel(QStringLiteral("校验："), Cmb_Parity), 1, 2);
    grid->addWidget(Cmb_Parity, 1, 3);
    grid->addWidget(But_SetUART, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return group;
}

QWidget* TFrmMain::CreateInfoGroup() {
    QGroupBox* group = MakeGroup("GroupInfo", QStringLiteral("信息显示："));
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(6, 4, 6, 6);
    column->setSpacing(4);

    auto* top = new QHBoxLayout;
    But_Clear = MakeButton("But_Clear", QStringLiteral("清除显示"));
    But_ReadVer = MakeButton("But_ReadVer", QStringLiteral("读固件版本号"));
    LaVersion = MakeEdit("LaVersion", QString());
    LaVersion->setEnabled(false); // shows the firmware version; never typed into
    But_Clear->setMinimumWidth(84);
    But_ReadVer->setMinimumWidth(100);
    top->addWidget(But_Clear);
    top->addWidget(But_ReadVer);
    top->addSpacing(6);
    top->addWidget(MakeLabel(QStringLiteral("Ver："), LaVersion));
    top->addWidget(LaVersion, 1);
    column->addLayout(top);

    MemoInfo = new QPlainTextEdit;
    MemoInfo->setObjectName(QStringLiteral("MemoInfo"));
    MemoInfo->setAccessibleName(WindowText(QStringLiteral("信息显示")));
    MemoInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    column->addWidget(MemoInfo, 1);
    return group;
}

} // namespace lumiq
