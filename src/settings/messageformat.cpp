// SPDX-License-Identifier: GPL-3.0-or-later
#include "messageformat.h"

QString FormatMessage(const QString &format, const QList<QVariant> &args)
{
    QString result;
    result.reserve(format.size() + 16);
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != u'%') {
            result += c;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == u'%') {
            result += u'%';
            ++i;
            continue;
        }
        // %[flags][width][.precision][length]conversion
        qsizetype j = i + 1;
        bool leftAlign = false;
        bool zeroPad = false;
        while (j < format.size() && QStringView(u"-+ #0").contains(format[j])) {
            leftAlign |= format[j] == u'-';
            zeroPad |= format[j] == u'0';
            ++j;
        }
        int width = 0;
        while (j < format.size() && format[j].isDigit() && width < 1000)
            width = width * 10 + format[j++].digitValue();
        int precision = -1;
        if (j < format.size() && format[j] == u'.') {
            precision = 0;
            ++j;
            while (j < format.size() && format[j].isDigit() && precision < 1000)
                precision = precision * 10 + format[j++].digitValue();
        }
        while (j < format.size() && QStringView(u"hlLqjzt").contains(format[j]))
            ++j;
        const QChar conversion = j < format.size() ? format[j] : QChar();
        const bool known = QStringView(u"diusS").contains(conversion) && !conversion.isNull();
        if (!known || next >= args.size()) {
            result += format.mid(i, j - i + (conversion.isNull() ? 0 : 1));
            i = conversion.isNull() ? j - 1 : j;
            continue;
        }
        const QVariant &arg = args[next++];
        QString text;
        if (conversion == u's' || conversion == u'S') {
            text = arg.toString();
            if (precision >= 0)
                text.truncate(precision);
        } else {
            text = QString::number(conversion == u'u' ? qlonglong(arg.toULongLong()) : arg.toLongLong());
        }
        if (text.size() < width) {
            const qsizetype pad = width - text.size();
            if (leftAlign)
                text += QString(pad, u' ');
            else if (zeroPad && conversion != u's' && conversion != u'S')
                text.insert(text.startsWith(u'-') ? 1 : 0, QString(pad, u'0'));
            else
                text.prepend(QString(pad, u' '));
        }
        result += text;
        i = j;
    }
    return result;
}

QString SearchingFormat()
{
    return QStringLiteral("Searching... %d shares. Time: %d sec. %d/%d hosts");
}

QString FormatSearchingText(const QString &format, int shares, qint64 seconds, int pending, int total)
{
    return FormatMessage(format, {shares, seconds, pending, total});
}
