#include "settings/editorlimits.h"

#include "platform/latin1.h"

#include <QLineEdit>
#include <QValidator>
#include <QVariant>

namespace settings {

namespace {

class Latin1Validator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        return platform::isLatin1(input) ? Acceptable : Invalid;
    }
};

// The limit the operator types against, remembered apart from maxLength, which a kept
// long value may have raised.
constexpr const char *kTypingLimit = "typingLimit";

} // namespace

void acceptLatin1Only(QLineEdit *edit) { edit->setValidator(new Latin1Validator(edit)); }

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
