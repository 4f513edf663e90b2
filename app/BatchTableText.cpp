#include "app/BatchTableText.h"

#include <algorithm>

namespace lumiq {
namespace {

std::string_view ResultText(fleet::ApplyResult result) {
    using fleet::ApplyResult;
    switch (result) {
    case ApplyResult::Unchanged:
        return "未改变";
    case ApplyResult::Applied:
        return "已写入";
    case ApplyResult::Mismatch:
        return "不一致";
    case ApplyResult::Refused:
        return "被拒绝";
    case ApplyResult::Timeout:
        return "超时";
    case ApplyResult::Missing:
        return "未找到";
    case ApplyResult::Failed:
        return "失败";
    case ApplyResult::Cancelled:
        return "已取消";
    case ApplyResult::Differs:
        return "将改变";
    }
    return "失败";
}

const fleet::Difference* ChangeOf(const fleet::BatchRow& row, Param param) {
    const auto found =
        std::find_if(row.changes.begin(), row.changes.end(),
                     [param](const fleet::Difference& change) { return change.param == param; });
    return found == row.changes.end() ? nullptr : &*found;
}

} // namespace

std::string BatchColumnHeader(Param param) {
    switch (param) {
    case Param::Mode:
        return "工作模式";
    case Param::Gateway:
        return "网关IP";
    case Param::Mask:
        return "子网掩码";
    case Param::Ip:
        return "模块IP";
    case Param::Dip:
        return "目的IP";
    case Param::Port:
        return "端口号";
    case Param::DPort:
        return "目的端口";
    case Param::Dhcp:
        return "DCHP模式";
    case Param::Name:
        return "设备名称";
    case Param::Baud:
        return "波特率";
    case Param::DataBits:
        return "数据位";
    case Param::StopBits:
        return "停止位";
    case Param::Parity:
        return "校验";
    case Param::Mac:
        return "MAC地址";
    case Param::Version:
        break;
    }
    return std::string(KeyOf(param));
}

std::string BatchStatusText(const fleet::BatchRow& row) {
    using fleet::BatchState;
    std::string text;
    switch (row.state) {
    case BatchState::Idle:
        text = "未读";
        break;
    case BatchState::Reading:
        text = "读取中 " + std::to_string(row.stepsDone);
        break;
    case BatchState::Read:
        text = "已读取";
        break;
    case BatchState::Writing:
        text = "写入中 " + std::to_string(row.stepsDone);
        break;
    case BatchState::Ended:
        text = row.result ? std::string(ResultText(*row.result)) : std::string("已读取");
        break;
    }
    if (!row.detail.empty())
        text += "：" + row.detail;
    return text;
}

std::string BatchCellText(const fleet::BatchRow& row, Param param) {
    if (const fleet::Difference* change = ChangeOf(row, param))
        return change->now + " → " + change->wanted;
    return ValueOf(row.values, param);
}

bool BatchCellChanges(const fleet::BatchRow& row, Param param) {
    return ChangeOf(row, param) != nullptr;
}

} // namespace lumiq
