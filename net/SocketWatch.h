#pragma once
// The readiness notifiers of one socket descriptor on the Qt loop of the
// thread that made them. Each kind can be switched on and off on its own: a
// socket is nearly always writable, so the write notifier runs only while a
// caller waits for writability, or it would wake the loop without end.

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace lumiq {

class SocketWatch {
public:
    using Handler = std::function<void(int fd)>;

    // Read and exception notifications start enabled, write disabled. The
    // notifiers are children of `owner`; the descriptor stays the caller's.
    SocketWatch(int fd, QObject* owner, Handler onReadable, Handler onWritable, Handler onException);
    // Stops every notification at once. The notifiers themselves are deleted
    // later, since one of them may be emitting right now.
    ~SocketWatch();
    SocketWatch(const SocketWatch&) = delete;
    SocketWatch& operator=(const SocketWatch&) = delete;

    int fd() const { return fd_; }
    void setReadEnabled(bool enabled);
    void setWriteEnabled(bool enabled);
    void setExceptionEnabled(bool enabled);

private:
    int fd_;
    QSocketNotifier* read_;
    QSocketNotifier* write_;
    QSocketNotifier* exception_;
};

} // namespace lumiq
