#include "fleet/ModuleValues.h"

#include "fleet/ValueRules.h"
#include "protocol/ReplyFields.h"
#include "state/GbkText.h"

namespace lumiq::fleet {
namespace {

Param ParamOfField(PanelField field) {
    switch (field) {
        case PanelField::Model: return Param::Mode;
        case PanelField::Gateway: return Param::Gateway;
        case PanelField::Mask: return Param::Mask;
        case PanelField::Ip: return Param::Ip;
        case PanelField::Dip: return Param::Dip;
        case PanelField::Port: return Param::Port;
        case PanelField::DPort: return Param::DPort;
        case PanelField::Mac: return Param::Mac;
        case PanelField::Dhcp: return Param::Dhcp;
        case PanelField::Name: return Param::Name;
        case PanelField::Version: return Param::Version;
        default: return Param::Baud;
    }
}

// A digit outside the list shows as the byte the module sent.
std::string DigitReading(std::string_view name, std::string_view payload, std::size_t offset) {
    if (!name.empty()) return std::string(name);
    return offset < payload.size() ? GbkToUtf8(payload.substr(offset, 1)) : std::string();
}

void Put(ModuleValues& values, Param param, std::string_view reported) {
    values[param] = CanonicalReading(param, reported);
}

}  // namespace

void TakeReplyValues(const QueryCommand& query, std::string_view payload, ModuleValues& values) {
    const Param param = ParamOfField(query.field);
    switch (query.value) {
        case ReplyValue::None:
            break;
        case ReplyValue::Text:
        case ReplyValue::Version:
            Put(values, param, GbkToUtf8(TextValueAt(payload, query.valueOffset)));
            break;
        case ReplyValue::Digit: {
            const int digit = DigitValueAt(payload, query.valueOffset);
            const std::string_view name = param == Param::Mode ? ModeName(digit) : DhcpName(digit);
            Put(values, param, DigitReading(name, payload, query.valueOffset));
            break;
        }
        case ReplyValue::Uart: {
            const UartValues uart = UartValuesOf(payload);
            Put(values, Param::Baud, GbkToUtf8(uart.baud));
            Put(values, Param::DataBits, GbkToUtf8(std::string(1, static_cast<char>('0' + uart.dataBits))));
            const std::string_view stop = StopBitsName(uart.stopBits);
            const std::string_view parity = ParityName(uart.parity);
            Put(values, Param::StopBits, stop.empty() ? "?" + std::to_string(uart.stopBits) : std::string(stop));
            Put(values, Param::Parity, parity.empty() ? "?" + std::to_string(uart.parity) : std::string(parity));
            break;
        }
    }
}

std::string ValueOf(const ModuleValues& values, Param param) {
    const auto it = values.find(param);
    return it == values.end() ? std::string() : it->second;
}

}  // namespace lumiq::fleet
