#include "app/WindowText.h"

#include <QCoreApplication>

namespace lumiq {

QString WindowText(const QString& text) {
    qsizetype indent = 0;
    while (indent < text.size() && text[indent] == u' ')
        ++indent;
    // Texts of ASCII alone (addresses, names typed in Latin letters) have no
    // translation to look for.
    bool ascii = true;
    for (qsizetype i = indent; ascii && i < text.size(); ++i)
        ascii = text[i].unicode() < 0x80;
    const QByteArray body = text.mid(indent).toUtf8();
    // Qt looks a text up by its C string: one holding a NUL would come back
    // cut short.
    if (ascii || body.contains('\0'))
        return text;
    return text.left(indent) + QCoreApplication::translate(kWindowTextContext, body.constData());
}

QString WindowText(const std::string& utf8) {
    return WindowText(QString::fromStdString(utf8));
}

} // namespace lumiq
