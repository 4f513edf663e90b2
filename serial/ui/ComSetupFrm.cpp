#include "serial/ui/ComSetupFrm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

#include "serial/ComPort.h"
#include "serial/ComPortCatalog.h"
#include "serial/ui/ComComboBox.h"

namespace lumiq {
namespace {

QString Translated(const char* text) {
    return QString::fromUtf8(CPortText(text));
}

// The client area the dialog was laid out for; a larger font may widen it.
constexpr int kClientWidth = 231;
constexpr int kClientHeight = 216;

} // namespace

TComSetupFrm::TComSetupFrm(QWidget* parent) : QDialog(parent) {
    setObjectName("ComSetupFrm");
    // The lists' entries stay untranslated; every other text goes through the catalog.
    setWindowTitle(Translated("Setup"));
    GroupBox1 = new QGroupBox(Translated(" Settings "), this);
    GroupBox1->setObjectName("GroupBox1");
    auto* grid = new QGridLayout(GroupBox1);

    const std::array<const char*, 6> captions = {"Port",      "Baud rate", "Data bits",
                                                 "Stop bits", "Parity",    "Flow control"};
    const std::array<TComProperty, 6> properties = {cpPort,     cpBaudRate, cpDataBits,
                                                    cpStopBits, cpParity,   cpFlowControl};
    std::array<QLabel**, 6> labels = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6};
    std::array<TComComboBox**, 6> combos = {&Combo1, &Combo2, &Combo3, &Combo4, &Combo5, &Combo6};
    for (int i = 0; i < 6; ++i) {
        auto* label = new QLabel(Translated(captions[i]), GroupBox1);
        label->setObjectName(QString("Label%1").arg(i + 1));
        auto* combo = new TComComboBox(GroupBox1);
        combo->setObjectName(QString("Combo%1").arg(i + 1));
        combo->setMinimumWidth(129);
        label->setBuddy(combo);
        grid->addWidget(label, i, 0);
        grid->addWidget(combo, i, 1);
        *labels[i] = label;
        *combos[i] = combo;
    }

    Button1 = new QPushButton(Translated("OK"), this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(Translated("Cancel"), this);
    Button2->setObjectName("Button2");
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* form = new QVBoxLayout(this);
    form->addWidget(GroupBox1);
    form->addLayout(buttons);
    form->setSizeConstraint(QLayout::SetFixedSize); // a fixed-size dialog border
    setMinimumSize(kClientWidth, kClientHeight);

    setTabOrder(Combo1, Combo2);
    setTabOrder(Combo2, Combo3);
    setTabOrder(Combo3, Combo4);
    setTabOrder(Combo4, Combo5);
    setTabOrder(Combo5, Combo6);
    setTabOrder(Combo6, Button1);
    setTabOrder(Button1, Button2);

    // Filling the port list reads the device listing and may throw; the
    // widgets made so far belong to the dialog and go with it.
    for (int i = 0; i < 6; ++i)
        (*combos[i])->SetComProperty(properties[i]);
}

void TComSetupFrm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void EditComPort(TCustomComPort& port) {
    TComSetupFrm dialog;
    const std::array<TComComboBox*, 6> combos = {dialog.Combo1, dialog.Combo2, dialog.Combo3,
                                                 dialog.Combo4, dialog.Combo5, dialog.Combo6};
    for (TComComboBox* combo : combos)
        combo->SetComPort(&port);
    for (TComComboBox* combo : combos)
        combo->UpdateSettings();
    if (dialog.exec() != QDialog::Accepted)
        return;
    port.BeginUpdate();
    try {
        for (TComComboBox* combo : combos)
            combo->ApplySettings();
    } catch (...) {
        // Leave no update pending, or no later change would ever be applied.
        try {
            port.EndUpdate();
        } catch (...) {
            // the first failure is the one to report
        }
        throw;
    }
    port.EndUpdate();
}

void InitComPortUi(const std::string& programDir) {
    InitComPortCatalog(programDir);
    TCustomComPort::SetSetupDialog([](TCustomComPort& port) { EditComPort(port); });
}

} // namespace lumiq
