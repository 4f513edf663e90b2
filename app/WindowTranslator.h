#pragma once
// The window in English: a translator of the window's Chinese texts
// (app/EnglishTexts.h), installed on the application object only when
// English is chosen. A text is found whole, or as one of the forms composed
// around values, whose values are kept as they are.

#include <QHash>
#include <QString>
#include <QTranslator>
#include <vector>

namespace lumiq {

class WindowTranslator : public QTranslator {
public:
    WindowTranslator();

    // An empty text for one it does not know, as Qt's translators answer.
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }

private:
    struct Composed {
        QStringList pieces; // the Chinese around %1, %2, ...: one more than the values
        QString english;
    };

    QString composed(const QString& text) const;

    QHash<QString, QString> whole_;
    std::vector<Composed> composed_;
};

} // namespace lumiq
