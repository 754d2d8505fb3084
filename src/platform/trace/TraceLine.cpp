#include "TraceLine.h"

#include "TraceSettings.h"
#include "TraceSystem.h"

#include <charconv>

namespace {

void appendNumber(std::string& out, long long value, int width)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (int pad = width - static_cast<int>(end - digits); pad > 0; --pad)
        out += '0';
    out.append(digits, end);
}

void appendEscaped(std::string& out, const std::string& text, std::size_t limit)
{
    static const char hex[] = "0123456789abcdef";
    const std::size_t size = text.size() < limit ? text.size() : limit;
    std::size_t plainFrom = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != 0x7f)
            continue;
        out.append(text, plainFrom, i - plainFrom);
        plainFrom = i + 1;
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 0xf];
        }
    }
    out.append(text, plainFrom, size - plainFrom);
    if (size < text.size())
        out += " [cut]";
}

// Broken-down UTC time of whole seconds since 1970 (year, month 1-12, day, hour, minute,
// second), by the calendar's own arithmetic: the two systems' C runtimes name the conversion
// differently, and the trace line needs nothing else of them.
void utcFields(std::int64_t seconds, int fields[6])
{
    std::int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Days since 1970-01-01 to a date, counted in 400-year eras that begin on 0000-03-01.
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    fields[0] = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    fields[1] = month;
    fields[2] = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    fields[3] = static_cast<int>(rest / 3600);
    fields[4] = static_cast<int>(rest % 3600 / 60);
    fields[5] = static_cast<int>(rest % 60);
}

// The date and time of the last second formatted, per thread: lines come in bursts, and
// breaking the time down costs more than the rest of the line.
struct SecondCache {
    std::int64_t seconds = -1;
    char text[20] = {}; // "2026-12-06T19:50:59"
};
thread_local SecondCache t_Second;

} // namespace

const char* TraceLine::levelName(int level)
{
    switch (level) {
    case 0:
        return "CRITICAL";
    case 1:
        return "ERROR";
    case 2:
        return "WARNING";
    case 3:
        return "INFO";
    default:
        return level < 0 ? "CRITICAL" : "DEBUG";
    }
}

void TraceLine::format(const TraceRecord& record, std::int64_t seconds, int millis, long processId, long threadId,
                       std::string& out)
{
    if (t_Second.seconds != seconds) {
        int f[6];
        utcFields(seconds, f);
        std::string text;
        appendNumber(text, f[0], 4);
        text += '-';
        appendNumber(text, f[1], 2);
        text += '-';
        appendNumber(text, f[2], 2);
        text += 'T';
        appendNumber(text, f[3], 2);
        text += ':';
        appendNumber(text, f[4], 2);
        text += ':';
        appendNumber(text, f[5], 2);
        text.copy(t_Second.text, sizeof t_Second.text - 1);
        t_Second.text[text.size() < sizeof t_Second.text ? text.size() : sizeof t_Second.text - 1] = '\0';
        t_Second.seconds = seconds;
    }
    out.reserve(out.size() + 64 + record.label.size() + record.text.size());
    out += t_Second.text;
    out += '.';
    appendNumber(out, millis, 3);
    out += "Z ";
    appendNumber(out, processId, 0);
    out += ' ';
    appendNumber(out, threadId, 0);
    out += ' ';
    const char* component = TraceSettings::componentName(record.component);
    out += *component != '\0' ? component : "COM";
    out += ' ';
    out += levelName(record.level);
    out += ' ';
    appendEscaped(out, record.label, MAX_TEXT);
    out += ": ";
    appendEscaped(out, record.text, MAX_TEXT);
    out += '\n';
}

void TraceLine::formatNow(const TraceRecord& record, std::string& out)
{
    std::int64_t seconds = 0;
    int millis = 0;
    TraceSystem::utcNow(seconds, millis);
    format(record, seconds, millis, TraceSystem::processId(), TraceSystem::threadId(), out);
}
