#include "net/SocketWatch.h"

#include <QSocketNotifier>

namespace lumiq {

namespace {

QSocketNotifier* MakeNotifier(int fd, QSocketNotifier::Type type, QObject* owner,
                              SocketWatch::Handler handler, bool enabled) {
    auto* notifier = new QSocketNotifier(fd, type, owner);
    notifier->setEnabled(enabled);
    QObject::connect(notifier, &QSocketNotifier::activated, owner,
                     [handler = std::move(handler), fd] { handler(fd); });
    return notifier;
}

void Retire(QSocketNotifier* notifier) {
    notifier->setEnabled(false);
    QObject::disconnect(notifier, nullptr, nullptr, nullptr);
    notifier->deleteLater();
}

} // namespace

SocketWatch::SocketWatch(int fd, QObject* owner, Handler onReadable, Handler onWritable, Handler onException)
    : fd_(fd), read_(MakeNotifier(fd, QSocketNotifier::Read, owner, std::move(onReadable), true)),
      write_(MakeNotifier(fd, QSocketNotifier::Write, owner, std::move(onWritable), false)),
      exception_(MakeNotifier(fd, QSocketNotifier::Exception, owner, std::move(onException), true)) {}

SocketWatch::~SocketWatch() {
    Retire(read_);
    Retire(write_);
    Retire(exception_);
}

void SocketWatch::setReadEnabled(bool enabled) {
    read_->setEnabled(enabled);
}
void SocketWatch::setWriteEnabled(bool enabled) {
    write_->setEnabled(enabled);
}
void SocketWatch::setExceptionEnabled(bool enabled) {
    exception_->setEnabled(enabled);
}

} // namespace lumiq
