// Fuzzes common::FormatLogRecord: every record parses back into the
// date, the time and the message it was made from.
//
//   #YYYY-MM-DD HH:MM:SS#,"message"CR LF
//
// with the blank and the time left out exactly when the time of day is
// 00:00:00 (fractions of a second do not count), the message copied
// unchanged (quotation marks are not doubled), and nothing after CR LF.
//
// Input: mode byte (bit 0: UTF-16), eight bytes of date and time, then
// the message.

#include "fuzzinput.h"

#include "common/log.h"

#include <QByteArray>
#include <QDateTime>

using fuzzinput::Bytes;
using fuzzinput::Check;

namespace {

QByteArray TwoDigits(int v)
{
    return QByteArray::number(v).rightJustified(2, '0');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 9)
        return 0;
    const bool utf16 = data[0] & 1;
    const uint8_t *t = data + 1;
    // Years of a real clock: four digits.
    const int year = 1 + (t[0] | (t[1] << 8)) % 9999;
    const int month = 1 + t[2] % 12;
    const int day = 1 + t[3] % QDate(year, month, 1).daysInMonth();
    // Midnight often enough to matter.
    const bool midnight = t[4] >= 0xC0;
    const int hour = midnight ? 0 : t[4] % 24;
    const int minute = midnight ? 0 : t[5] % 60;
    const int second = midnight ? 0 : t[6] % 60;
    const int msec = t[7] % 4 == 0 ? 0 : (t[7] * 4) % 1000;
    const QDate date(year, month, day);
    const QTime time(hour, minute, second, msec);
    const QDateTime when(date, time, Qt::UTC);
    const QString message = fuzzinput::Decode(Bytes{data + 9, size - 9}, utf16);

    const QByteArray record = common::FormatLogRecord(when, message);
    const QString shown = QString::fromUtf8(record);

    QByteArray head = "#" + QByteArray::number(year).rightJustified(4, '0') + "-" + TwoDigits(month) + "-"
        + TwoDigits(day);
    if (hour != 0 || minute != 0 || second != 0)
        head += " " + TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(second);
    head += "#,\"";
    Check(record.startsWith(head), "record must start with the stamp", shown, QString::fromLatin1(head));
    Check(record.endsWith("\"\r\n"), "record must end with a quote and CR LF", shown, message);
    const QByteArray middle = record.mid(head.size(), record.size() - head.size() - 3);
    Check(middle == message.toUtf8(), "message must be written unchanged", shown, message);
    // Read back as a whole (a decoder drops a byte order mark only at the
    // very start of a text, and the message never stands there).
    if (message.isValidUtf16())
        Check(shown == QString::fromLatin1(head) + message + QStringLiteral("\"\r\n"), "record must read back", shown,
              message);
    if (!message.contains(QLatin1Char('\n')))
        Check(record.count('\n') == 1, "one line per record", shown, message);
    return 0;
}
