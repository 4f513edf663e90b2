// 保存通讯记录…: a trace of everything the window sends and receives, on both
// links, to a pcap file the operator names (see trace/PacketTrace.h).

#include <QAction>
#include <QFile>
#include <QFileDialog>

#include "app/TFrmMain.h"
#include "app/WindowText.h"
#include "net/TcmSocket.h"
#include "serial/ComPort.h"
#include "trace/LastTrace.h"
#include "trace/PacketTrace.h"

namespace lumiq {

// Starts a trace, or ends the running one.
void TFrmMain::N13Click() {
    // The tick shows whether a trace runs, not that the item was chosen.
    N13->setChecked(trace_ != nullptr);
    if (trace_) {
        const QString path = QFile::decodeName(trace_->path().c_str());
        const std::string failure = trace_->failure();
        StopTrace();
        AddLogLine(failure.empty() ? QStringLiteral("通讯记录已保存：") + path
                                   : QStringLiteral("通讯记录中断：") + QString::fromStdString(failure));
        return;
    }
    const QString path = services_.chooseTraceFile
                             ? services_.chooseTraceFile(this)
                             : QFileDialog::getSaveFileName(this, WindowText(QStringLiteral("保存通讯记录")),
                                                            QStringLiteral("lumiq-trace.pcap"),
                                                            WindowText(QStringLiteral("通讯记录 (*.pcap)")));
    if (path.isEmpty())
        return;
    // A file that cannot be made throws: the standard error report shows why.
    trace_ = std::make_unique<PacketTrace>(QFile::encodeName(path).toStdString());
    MySocket->Tap = trace_.get();
    ComPort->SetTap(trace_.get());
    RememberLastTrace(trace_->path());
    N13->setChecked(true);
    AddLogLine(QStringLiteral("开始保存通讯记录：") + path);
}

void TFrmMain::StopTrace() noexcept {
    if (!trace_)
        return;
    if (MySocket != nullptr)
        MySocket->Tap = nullptr;
    if (ComPort != nullptr)
        ComPort->SetTap(nullptr);
    trace_.reset();
    N13->setChecked(false);
}

} // namespace lumiq
