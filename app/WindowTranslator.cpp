#include "app/WindowTranslator.h"

#include <QRegularExpression>

#include "app/EnglishTexts.h"
#include "app/WindowText.h"

namespace lumiq {
namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const QRegularExpression& ValueMark() {
    static const QRegularExpression mark(QStringLiteral("%[1-9]"));
    return mark;
}

// One pass over the English: a value that holds "%2" itself is shown as it
// is, never filled in.
QString WithValues(const QString& english, const QStringList& values) {
    QString shown;
    for (qsizetype i = 0; i < english.size(); ++i) {
        const qsizetype value = i + 1 < english.size() ? english[i + 1].digitValue() - 1 : -1;
        if (english[i] == u'%' && value >= 0 && value < values.size()) {
            shown += values[value];
            ++i;
        } else {
            shown += english[i];
        }
    }
    return shown;
}

} // namespace

WindowTranslator::WindowTranslator() {
    for (const TextTranslation& text : EnglishTexts()) {
        const QString chinese = FromView(text.chinese);
        if (chinese.contains(ValueMark()))
            composed_.push_back({chinese.split(ValueMark()), FromView(text.english)});
        else
            whole_.insert(chinese, FromView(text.english));
    }
}

QString WindowTranslator::translate(const char* context, const char* sourceText, const char*, int) const {
    if (context == nullptr || sourceText == nullptr || qstrcmp(context, kWindowTextContext) != 0)
        return {};
    const QString text = QString::fromUtf8(sourceText);
    if (const auto found = whole_.constFind(text); found != whole_.constEnd())
        return *found;
    return composed(text);
}

// The values sit between the pieces, each taken up to the next piece's
// first appearance: a value that holds the next piece's text itself (a
// module's name) is split early, which changes only how it is worded, never
// what is shown of it.
QString WindowTranslator::composed(const QString& text) const {
    for (const Composed& form : composed_) {
        if (!text.startsWith(form.pieces.front()) || !text.endsWith(form.pieces.back()))
            continue;
        QStringList values;
        qsizetype at = form.pieces.front().size();
        const qsizetype end = text.size() - form.pieces.back().size();
        bool matches = at <= end;
        for (qsizetype i = 1; matches && i + 1 < form.pieces.size(); ++i) {
            const qsizetype next = text.indexOf(form.pieces[i], at);
            matches = next >= 0 && next + form.pieces[i].size() <= end;
            if (matches) {
                values << text.mid(at, next - at);
                at = next + form.pieces[i].size();
            }
        }
        if (!matches)
            continue;
        values << text.mid(at, end - at);
        return WithValues(form.english, values);
    }
    return {};
}

} // namespace lumiq
