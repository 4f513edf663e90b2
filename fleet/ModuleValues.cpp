#include "fleet/ModuleValues.h"

#include "fleet/ValueRules.h"
#include "protocol/ReplyFields.h"
#include "base/GbkText.h"

namespace lumiq::fleet {
namespace {

Param ParamOfField(PanelField field) {
    switch (field) {
    case PanelField::Model:
        return Param::Mode;
    case PanelField::Gateway:
        return Param::Gateway;
    case PanelField::Mask:
        return Param::Mask;
    case PanelField::Ip:
        return Param::Ip;
    case PanelField::Dip:
        return Param::Dip;
    case PanelField::Port:
        return Param::Port;
    case PanelField::DPort:
        return Param::DPort;
    case PanelField::Mac:
        return Param::Mac;
    case PanelField::Dhcp:
        return Param::Dhcp;
    case PanelField::Name:
        return Param::Name;
    case PanelField::Version:
        return Param::Version;
    default:
        return Param::Baud;
    }
}

void Put(ModuleValues& values, Param param, std::string_view reported) {
    values[param] = CanonicalReading(param, reported);
}

} // namespace

bool TakeReplyValues(const QueryCommand& query, std::string_view payload, ModuleValues& values) {
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
        // A digit outside the list means nothing: the reply is unreadable.
        if (name.empty())
            return false;
        Put(values, param, name);
        break;
    }
    case ReplyValue::Uart: {
        // "+UART=9600,8,1,0": a reply cut short leaves digits that are not there.
        const std::size_t comma = payload.find(',');
        if (comma == std::string_view::npos || payload.size() < comma + 6)
            return false;
        const UartValues uart = UartValuesOf(payload);
        const std::string_view stop = StopBitsName(uart.stopBits);
        const std::string_view parity = ParityName(uart.parity);
        if (uart.baud.empty() || uart.dataBits > 9 || stop.empty() || parity.empty())
            return false;
        Put(values, Param::Baud, GbkToUtf8(uart.baud));
        Put(values, Param::DataBits, std::string(1, static_cast<char>('0' + uart.dataBits)));
        Put(values, Param::StopBits, stop);
        Put(values, Param::Parity, parity);
        break;
    }
    }
    return true;
}

std::string ValueOf(const ModuleValues& values, Param param) {
    const auto it = values.find(param);
    return it == values.end() ? std::string() : it->second;
}

} // namespace lumiq::fleet
