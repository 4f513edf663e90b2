#include "serial/ui/ComComboBox.h"

#include "base/AsciiText.h"
#include "serial/ComErrorReport.h"
#include "serial/ComPort.h"
#include "serial/ComPortEnum.h"
#include "serial/ComTexts.h"

namespace lumiq {
namespace {

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

const std::vector<std::string>* FixedTexts(TComProperty property) {
    switch (property) {
    case cpBaudRate:
        return &BaudRateTexts();
    case cpDataBits:
        return &DataBitsTexts();
    case cpStopBits:
        return &StopBitsTexts();
    case cpParity:
        return &ParityTexts();
    case cpFlowControl:
        return &FlowControlTexts();
    default:
        return nullptr;
    }
}

} // namespace

TComComboBox::TComComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false); // entries only
    connect(this, &QComboBox::activated, this, [this](int) {
        try {
            Change();
        } catch (const std::exception& error) {
            ReportComError(error.what()); // reached from the Qt loop: it must not cross it
        }
    });
}

void TComComboBox::SetComPort(TCustomComPort* port) {
    if (port_ == port)
        return;
    disconnect(portGone_);
    port_ = port;
    if (port_ == nullptr)
        return;
    portGone_ = connect(port_, &QObject::destroyed, this, [this] { Forget(); });
    UpdateSettings();
}

void TComComboBox::Forget() {
    port_ = nullptr;
    if (count() > 0)
        setCurrentIndex(0);
}

void TComComboBox::SetComProperty(TComProperty property) {
    property_ = property;
    std::vector<std::string> entries;
    if (property == cpPort)
        EnumComPorts(entries);
    else if (const auto* texts = FixedTexts(property))
        entries = *texts;
    clear();
    for (const std::string& entry : entries)
        addItem(ToQt(entry));
    if (count() == 0)
        return;
    if (port_ == nullptr)
        setCurrentIndex(0);
    else
        UpdateSettings();
}

std::string TComComboBox::Text() const {
    return currentIndex() < 0 ? std::string() : currentText().toStdString();
}

void TComComboBox::SetText(const std::string& text) {
    if (const int index = FindText(text); index >= 0)
        setCurrentIndex(index);
}

int TComComboBox::FindText(const std::string& text) const {
    for (int i = 0; i < count(); ++i)
        if (SameAsciiLetters(itemText(i).toStdString(), text))
            return i;
    return -1;
}

std::string TComComboBox::PortValueText() const {
    switch (property_) {
    case cpPort:
        return port_->Port();
    case cpBaudRate:
        return BaudRateToStr(port_->BaudRate());
    case cpDataBits:
        return DataBitsToStr(port_->DataBits());
    case cpStopBits:
        return StopBitsToStr(port_->StopBits());
    case cpParity:
        return ParityToStr(port_->Parity().Bits());
    case cpFlowControl:
        return FlowControlToStr(port_->FlowControl().FlowControl());
    case cpNone:
        break;
    }
    return {};
}

void TComComboBox::UpdateSettings() {
    if (port_ == nullptr)
        return;
    const int index = FindText(PortValueText());
    setCurrentIndex(index);
    if (index >= 0)
        SetPendingFrom(itemText(index).toStdString());
}

void TComComboBox::SetPendingFrom(const std::string& text) {
    switch (property_) {
    case cpPort:
        pendingPort_ = text;
        break;
    case cpBaudRate:
        pendingBaudRate_ = StrToBaudRate(text);
        break;
    case cpDataBits:
        pendingDataBits_ = StrToDataBits(text);
        break;
    case cpStopBits:
        pendingStopBits_ = StrToStopBits(text);
        break;
    case cpParity:
        pendingParity_ = StrToParity(text);
        break;
    case cpFlowControl:
        pendingFlowControl_ = StrToFlowControl(text);
        break;
    case cpNone:
        break;
    }
}

void TComComboBox::ApplySettings() {
    if (port_ == nullptr)
        return;
    switch (property_) {
    case cpPort:
        port_->SetPort(pendingPort_);
        break;
    case cpBaudRate:
        port_->SetBaudRate(pendingBaudRate_);
        break;
    case cpDataBits:
        port_->SetDataBits(pendingDataBits_);
        break;
    case cpStopBits:
        port_->SetStopBits(pendingStopBits_);
        break;
    case cpParity:
        port_->Parity().SetBits(pendingParity_);
        break;
    case cpFlowControl:
        port_->FlowControl().SetFlowControl(pendingFlowControl_);
        break;
    case cpNone:
        break;
    }
}

void TComComboBox::Change() {
    SetPendingFrom(Text());
    if (autoApply_)
        ApplySettings();
}

} // namespace lumiq
