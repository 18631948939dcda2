#include "settings/editorlimits.h"

#include "platform/latin1.h"

#include <QLineEdit>
#include <QToolTip>
#include <QValidator>
#include <QVariant>

namespace settings {

namespace {

// The characters an editor refuses, kept on the editor so that the cell editor can change
// them with the column it edits.
constexpr const char *kRefused = "refusedCharacters";
// The refused character last offered, for the note shown when the typing is rejected.
constexpr const char *kLastRefused = "lastRefused";

class Latin1Validator : public QValidator {
public:
    explicit Latin1Validator(QLineEdit *edit) : QValidator(edit), edit_(edit) {}
    State validate(QString &input, int &) const override
    {
        if (!platform::isLatin1(input))
            return Invalid;
        for (const QChar c : edit_->property(kRefused).toString())
            if (input.contains(c)) {
                edit_->setProperty(kLastRefused, QString(c));
                return Invalid;
            }
        return Acceptable;
    }

private:
    QLineEdit *edit_;
};

// The limit the operator types against, remembered apart from maxLength, which a kept
// long value may have raised.
constexpr const char *kTypingLimit = "typingLimit";

} // namespace

void acceptLatin1Only(QLineEdit *edit, const QString &refused)
{
    edit->setValidator(new Latin1Validator(edit));
    setRefusedCharacters(edit, refused);
    // Only typing and pasting are rejected, never a value set from a file or the unit (the
    // upload names those): the note explains a key that seemed to do nothing.
    QObject::connect(edit, &QLineEdit::inputRejected, edit, [edit] {
        const QString c = edit->property(kLastRefused).toString();
        edit->setProperty(kLastRefused, QVariant());
        if (!c.isEmpty())
            QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), edit->toolTip(), edit);
    });
}

void setRefusedCharacters(QLineEdit *edit, const QString &refused)
{
    edit->setProperty(kRefused, refused);
    edit->setToolTip(refused.isEmpty() ? QString() : refusedNote(refused));
}

QString refusedNote(const QString &refused)
{
    if (refused.contains(QLatin1Char('.')))
        return QStringLiteral("\"|\", \"*\" and \".\" cannot be used in the password: the unit and the settings "
                              "file use them to mark where values end.");
    return QStringLiteral("\"|\" and \"*\" cannot be used here: the unit and the settings file use them to mark "
                          "where values end.");
}

bool setLimitedText(QLineEdit *edit, const QString &value, LongValue policy)
{
    if (!edit->property(kTypingLimit).isValid())
        edit->setProperty(kTypingLimit, edit->maxLength());
    const int limit = edit->property(kTypingLimit).toInt();
    const bool tooLong = value.size() > limit;
    if (!tooLong || policy == LongValue::Cut) {
        edit->setMaxLength(limit);
        edit->setText(value.left(limit));
    } else {
        edit->setMaxLength(int(value.size()));
        edit->setText(value);
    }
    return tooLong;
}

} // namespace settings
