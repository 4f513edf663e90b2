#include "device/ModuleValues.h"

#include "base/GbkText.h"
#include "device/ReplyFields.h"
#include "device/ValueRules.h"

namespace lumiq {
namespace {

void Put(ModuleValues& values, Param param, std::string_view reported) {
    values[param] = CanonicalReading(param, reported);
}

} // namespace

bool TakeReplyValues(Param queried, std::string_view payload, ModuleValues& values) {
    const WireQuery& query = QueryOf(queried);
    switch (query.value) {
    case ReplyValue::None:
        break;
    case ReplyValue::Text:
    case ReplyValue::Version:
        Put(values, queried, GbkToUtf8(TextValueAt(payload, query.valueOffset)));
        break;
    case ReplyValue::Digit: {
        const std::string_view name = ChoiceName(queried, DigitValueAt(payload, query.valueOffset));
        // A digit outside the list means nothing: the reply is unreadable.
        if (name.empty())
            return false;
        Put(values, queried, name);
        break;
    }
    case ReplyValue::Uart: {
        // "+UART=9600,8,1,0": a reply cut short leaves digits that are not there.
        const std::size_t comma = payload.find(',');
        if (comma == std::string_view::npos || payload.size() < comma + 6)
            return false;
        const UartValues uart = UartValuesOf(payload);
        const std::string_view stop = ChoiceName(Param::StopBits, uart.stopBits);
        const std::string_view parity = ChoiceName(Param::Parity, uart.parity);
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

} // namespace lumiq
