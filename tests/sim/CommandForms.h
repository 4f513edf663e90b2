#pragma once
// Commands and the exact reply payloads of a factory-fresh generated module
// 0 (see sim/ModuleList.h), in an order where each set is followed by the
// query that shows it. Both links answer these; UDP adds the reply header.

#include <string>
#include <vector>

namespace lumiq::sim {

struct CommandForm {
    std::string command; // without "\r\n"
    std::string payload;
};

inline const std::vector<CommandForm>& CommandForms() {
    static const std::vector<CommandForm> forms{
        {"AT", "OK"},
        {"AT+VER=?", "+VER=V2.0\r\n"},
        {"AT+MODEL=?", "+MODEL=0\r\n"},
        {"AT+MODEL=3", "OK\r\n"},
        {"AT+MODEL=?", "+MODEL=3\r\n"},
        {"AT+GATEWAY=?", "+GATEWAY=10.77.0.1\r\n"},
        {"AT+GATEWAY=192.168.1.1", "OK\r\n"},
        {"AT+GATEWAY=?", "+GATEWAY=192.168.1.1\r\n"},
        {"AT+MASK=255.255.255.0", "OK\r\n"},
        {"AT+MASK=?", "+MASK=255.255.255.0\r\n"},
        {"AT+IP=192.168.1.199", "OK\r\n"},
        {"AT+IP=?", "+IP=192.168.1.199\r\n"},
        {"AT+DIP=192.168.1.2", "OK\r\n"},
        {"AT+DIP=?", "+DIP=192.168.1.2\r\n"},
        {"AT+PORT=502", "OK\r\n"},
        {"AT+PORT=?", "+PORT=502\r\n"},
        {"AT+DPORT=65535", "OK\r\n"},
        {"AT+DPORT=?", "+DPORT=65535\r\n"},
        {"AT+UART=115200,8,3,2", "OK\r\n"},
        {"AT+UART=?", "+UART=115200,8,3,2\r\n"},
        {"AT+DCHP=1", "OK\r\n"},
        {"AT+DCHP=?", "+DCHP=1\r\n"},
        {"AT+NAME=Line 7", "OK\r\n"},
        {"AT+NAME=?", "+NAME=Line 7\r\n"},
        {"AT+MODEL=4", "ERROR\r\n"},
        {"AT+NAME=this name is too long", "ERROR\r\n"},
        {"AT+VER=V9", "ERROR\r\n"},
        {"AT+WHAT=?", "ERROR\r\n"},
        {"AT+DEFAULT", "OK\r\n"},
        {"AT+MODEL=?", "+MODEL=0\r\n"},
        {"AT+NAME=?", "+NAME=LUMIQ-001\r\n"},
    };
    return forms;
}

} // namespace lumiq::sim
