#include "unitsim/unitprotocol.h"

#include "platform/latin1.h"

namespace unitsim {

namespace {

// Acceptance codes, one per kind of command, so that every code the program
// accepts turns up on the line.
constexpr int SettingAccepted = 12;
constexpr int MasterAccepted = 22;
constexpr int ListCleared = 23;
constexpr int NumberAdded = 24;
constexpr int PasswordChanged = 38;
// Refusals: none of them lets an upload go on.
constexpr int BadCommand = 11;
constexpr int ListFull = 25;
constexpr int WrongPassword = 39;

QByteArray answer(const char *word, int code)
{
    return QByteArray(word) + " (" + QByteArray::number(code) + ")\r\n";
}

QByteArray accepted(int code) { return answer("OK", code); }
QByteArray refused(int code) { return answer("ERROR", code); }

// A real command is printable text holding at least the blank after the
// password. Anything else between two stars is noise, and its closing star
// may well be the opening star of the next frame.
bool looksLikeFrame(const QByteArray &content)
{
    if (content.isEmpty() || content.size() > UnitProtocol::MaxFrame || !content.contains(' '))
        return false;
    for (char c : content) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7f)
            return false;
    }
    return true;
}

// "|" would end a record of the dump early, so no stored text may hold one.
bool storable(const QString &text) { return !text.contains(QLatin1Char('|')); }

bool parseOnOff(const QString &text, bool *on)
{
    if (text == QLatin1String("ON") || text == QLatin1String("OFF")) {
        *on = text == QLatin1String("ON");
        return true;
    }
    return false;
}

bool validMonitorDigits(const QString &digits)
{
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const QChar c = digits.at(i);
        if (c < QLatin1Char('1') || c > QLatin1Char('4') || digits.indexOf(c) != i)
            return false;
    }
    return true;
}

} // namespace

QList<NumberEntry> sampleNumbers(qsizetype count)
{
    QList<NumberEntry> out;
    for (qsizetype i = 0; i < count; ++i)
        out.append({QStringLiteral("2782%1").arg(i, 7, 10, QLatin1Char('0')), QStringLiteral("1")});
    return out;
}

QList<Exchange> UnitProtocol::feed(const QByteArray &in)
{
    QList<Exchange> out;
    m_buffer += in;
    for (;;) {
        const qsizetype open = m_buffer.indexOf('*');
        if (open < 0) {
            m_buffer.clear(); // no frame starts here: nothing worth keeping
            break;
        }
        m_buffer.remove(0, open);
        const qsizetype close = m_buffer.indexOf('*', 1);
        if (close < 0) {
            // Still open; past the size limit the frame is noise. Dropping it
            // leaves us hunting for the next star, as a closed noise frame would.
            if (m_buffer.size() - 1 > MaxFrame)
                m_buffer.clear();
            break;
        }
        const QByteArray content = m_buffer.mid(1, close - 1);
        if (!looksLikeFrame(content)) {
            m_buffer.remove(0, close);
            continue;
        }
        m_buffer.remove(0, close + 1);

        const QString text = platform::fromWire(content);
        const QString prefix = m_state.password + QLatin1Char(' ');
        if (!text.startsWith(prefix)) {
            out.append({text.mid(text.indexOf(QLatin1Char(' ')) + 1), answer("PASSWORD ERROR", WrongPassword)});
            continue;
        }
        const QString command = text.mid(prefix.size());
        QByteArray reply = execute(command);
        if (m_echo)
            reply.prepend(content.mid(prefix.size()) + "\r\n");
        out.append({command, reply});
    }
    return out;
}

QByteArray UnitProtocol::execute(const QString &command)
{
    if (command == QLatin1String("SYS SPEW"))
        return dump();
    if (!m_refuseWord.isEmpty() && command.startsWith(m_refuseWord))
        return refused(m_refuseCode);

    // "SET OUTn NOW ON" / "SET OUTn NOW OFF"
    static const QString setOut = QStringLiteral("SET OUT");
    if (command.startsWith(setOut) && command.size() > setOut.size()) {
        const int n = command.at(setOut.size()).digitValue();
        const QString rest = command.mid(setOut.size() + 1);
        bool on = false;
        if (n >= 1 && n <= 4 && rest.startsWith(QLatin1String(" NOW ")) && parseOnOff(rest.mid(5), &on)) {
            m_state.outputs[n - 1] = on;
            // Output n reports red as 11 + 2n and green as 12 + 2n.
            const QByteArray word = "OUTPUT" + QByteArray::number(n) + (on ? " ON" : " OFF");
            return answer(word.constData(), 11 + 2 * n + (on ? 1 : 0));
        }
        return refused(BadCommand);
    }
    return applySetting(command);
}

QByteArray UnitProtocol::applySetting(const QString &command)
{
    if (command == QLatin1String("TEL CLRN")) {
        m_state.numbers.clear();
        return accepted(ListCleared);
    }
    // Every other setting is a nine-character word ending in a blank, then its value.
    if (command.size() < 9 || command.at(8) != QLatin1Char(' '))
        return refused(BadCommand);
    const QString word = command.left(8);
    const QString value = command.mid(9);
    if (!storable(value))
        return refused(BadCommand);

    if (word == QLatin1String("SYS PASS")) {
        m_state.password = value;
        return accepted(PasswordChanged);
    }
    if (word == QLatin1String("SYS NAME")) {
        m_state.systemName = value;
        return accepted(SettingAccepted);
    }
    if (word == QLatin1String("SYS EREP") || word == QLatin1String("SYS OCNF")) {
        bool on = false;
        if (!parseOnOff(value, &on))
            return refused(BadCommand);
        (word.endsWith(QLatin1String("EREP")) ? m_state.errorReporting : m_state.outputConfirmation) = on;
        return accepted(SettingAccepted);
    }
    if (word == QLatin1String("SYS MONI")) {
        if (!validMonitorDigits(value))
            return refused(BadCommand);
        m_state.monitorDigits = value;
        return accepted(SettingAccepted);
    }
    if (word.startsWith(QLatin1String("SYS INP"))) {
        const int n = word.at(7).digitValue();
        if (n < 1 || n > 4)
            return refused(BadCommand);
        m_state.inputNames[n - 1] = value;
        return accepted(SettingAccepted);
    }
    if (word == QLatin1String("TEL MAST")) {
        m_state.masterNumber = value;
        return accepted(MasterAccepted);
    }
    if (word == QLatin1String("TEL ADDN")) {
        const qsizetype comma = value.indexOf(QLatin1Char(','));
        if (comma < 0)
            return refused(BadCommand);
        const NumberEntry entry{value.left(comma).remove(QLatin1Char('+')), value.mid(comma + 1)};
        // A number sent again (a command repeated after a lost answer) replaces its entry.
        for (NumberEntry &e : m_state.numbers)
            if (e.number == entry.number) {
                e = entry;
                return accepted(NumberAdded);
            }
        if (m_state.numbers.size() >= MaxNumbers)
            return refused(ListFull);
        m_state.numbers.append(entry);
        return accepted(NumberAdded);
    }
    return refused(BadCommand);
}

QByteArray UnitProtocol::dump() const
{
    const DumpFaults &f = m_dumpFaults;
    QString text = QStringLiteral("\r\n|MP,") + m_state.password;
    text += QStringLiteral("\r\n|SN,") + (f.systemName.isEmpty() ? m_state.systemName : f.systemName);
    text += QStringLiteral("\r\n|MN,") + m_state.masterNumber;
    for (int i = 0; i < 4; ++i)
        text += QStringLiteral("\r\n|I%1,").arg(i + 1) + m_state.inputNames[i];
    for (qsizetype i = 0; i < m_state.numbers.size(); ++i) {
        if (i == f.dropNumber)
            continue;
        const NumberEntry &e = m_state.numbers.at(i);
        // The program puts the second field into the grid's first column: the
        // running number of a gate list, the unit number of an intercom list.
        // A gate unit adds its output marks after it: "TN,27821234567,1,13".
        text += QStringLiteral("\r\n|TN,") + e.number + QLatin1Char(',');
        if (m_model == Model::Gate && f.withoutMarks)
            text += QString::number(i + 1);
        else if (m_model == Model::Gate)
            text += QString::number(i + 1) + QLatin1Char(',') + e.value;
        else
            text += e.value;
    }
    text += QStringLiteral("\r\n|<END>\r\n");
    return platform::toWire(text);
}

} // namespace unitsim
