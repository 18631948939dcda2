#include "settings/editorlimits.h"

#include "platform/latin1.h"
#include "settings/valuecheck.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QToolTip>
#include <QValidator>
#include <QVariant>

namespace settings {

namespace {

// Kept on the editor: what it refuses, its typing limit, the length of its text before the
// input now checked, why the last input was refused, and whether the program (not the
// operator) is setting its text.
constexpr const char *kRefused = "refusedCharacters";
constexpr const char *kTypingLimit = "typingLimit";
constexpr const char *kLastLength = "lastLength";
constexpr const char *kLastRefusal = "lastRefusal";
constexpr const char *kSetting = "settingFromOutside";

class Latin1Validator : public QValidator {
public:
    explicit Latin1Validator(QLineEdit *edit) : QValidator(edit), edit_(edit) {}
    State validate(QString &input, int &) const override
    {
        if (edit_->property(kSetting).toBool())
            return Acceptable; // a value from a file or the unit: the caller reports it
        if (!platform::isLatin1(input))
            return Invalid;
        for (const QChar c : input)
            if (is_control(c))
                return refuse(QCoreApplication::translate("settings", "Control characters cannot be typed or pasted here."));
        for (const QChar c : edit_->property(kRefused).toString())
            if (input.contains(c))
                return refuse(edit_->toolTip());
        const int limit = edit_->property(kTypingLimit).toInt();
        // A longer value kept from outside may still be shortened.
        if (limit > 0 && input.size() > limit && input.size() > edit_->property(kLastLength).toInt())
            return refuse(QCoreApplication::translate("settings", "The unit takes at most %1 characters here.").arg(limit));
        return Acceptable;
    }

private:
    State refuse(const QString &why) const
    {
        edit_->setProperty(kLastRefusal, why);
        return Invalid;
    }
    QLineEdit *edit_;
};

} // namespace

void acceptLatin1Only(QLineEdit *edit, const QString &refused, int limit)
{
    edit->setValidator(new Latin1Validator(edit));
    edit->setProperty(kRefused, refused);
    edit->setProperty(kTypingLimit, limit);
    edit->setProperty(kLastLength, int(edit->text().size()));
    edit->setToolTip(refused.isEmpty() ? QString() : refusedNote(refused));
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [edit](const QString &text) { edit->setProperty(kLastLength, int(text.size())); });
    // Typing and pasting are refused whole: the note explains a key that seemed to do nothing.
    QObject::connect(edit, &QLineEdit::inputRejected, edit, [edit] {
        const QString why = edit->property(kLastRefusal).toString();
        edit->setProperty(kLastRefusal, QVariant());
        if (!why.isEmpty())
            QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), why, edit);
    });
}

QString refusedNote(const QString &refused)
{
    if (refused.contains(QLatin1Char('.')))
        return QCoreApplication::translate("settings", "\"|\", \"*\" and \".\" cannot be used in the password: the unit and the settings "
                                                       "file use them to mark where values end.");
    return QCoreApplication::translate("settings", "\"|\" and \"*\" cannot be used here: the unit and the settings file use them to mark "
                                                   "where values end.");
}

QLabel *lengthCounter(QLineEdit *edit, QWidget *parent)
{
    auto *label = new QLabel(parent);
    const QString name = edit->objectName();
    label->setObjectName(QStringLiteral("lbl") + name.mid(3) + QStringLiteral("Count"));
    const int limit = edit->property(kTypingLimit).toInt();
    label->setAccessibleName(QCoreApplication::translate("settings", "%1 length").arg(edit->accessibleName()));
    label->setToolTip(QCoreApplication::translate("settings", "The unit takes at most %1 characters").arg(limit));
    const auto show = [label, limit](const QString &text) {
        const bool over = text.size() > limit;
        label->setText(over ? QCoreApplication::translate("settings", "%1/%2: too long for the unit").arg(text.size()).arg(limit)
                            : QStringLiteral("%1/%2").arg(text.size()).arg(limit));
        label->setStyleSheet(over ? QStringLiteral("QLabel { color: #b00000; font-weight: bold; }") : QString());
    };
    show(edit->text());
    QObject::connect(edit, &QLineEdit::textChanged, label, show);
    return label;
}

bool setLimitedText(QLineEdit *edit, const QString &value, LongValue policy)
{
    const int limit = edit->property(kTypingLimit).toInt();
    const bool tooLong = limit > 0 && value.size() > limit;
    const QString shown = tooLong && policy == LongValue::Cut ? value.left(limit) : value;
    if (edit->text() != shown) {
        edit->setProperty(kSetting, true);
        edit->setText(shown);
        edit->setProperty(kSetting, false);
    }
    return tooLong;
}

} // namespace settings
