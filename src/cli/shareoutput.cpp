// SPDX-License-Identifier: GPL-3.0-or-later
#include "shareoutput.h"

#include "model/hostlogin.h"
#include "model/lanterradoc.h"
#include "model/visibletext.h"
#include "scan/scandriver.h"
#include "settings/sharescheme.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString StateText(const ShareRecord &share)
{
    switch (share.state.load()) {
    case ShareOnline:
        return QStringLiteral("online");
    case ShareOffline:
        return QStringLiteral("offline");
    case ShareHostRenamed:
        // Only the host's name changed; its last probe tells the state.
        return share.host && share.host->lastState == 0 ? QStringLiteral("online") : QStringLiteral("offline");
    default:
        return QStringLiteral("unknown");
    }
}

// A spreadsheet runs a cell that starts with one of these as a formula (tab
// and carriage return can hide one after them).
bool StartsLikeFormula(const QString &text)
{
    return !text.isEmpty() && QStringView(u"=+-@\t\r").contains(text.front());
}

// A cell as spreadsheets read it safely: a would-be formula gets a leading
// "'" (shown as text, not run); hidden characters are written out; cells
// with a separator (',' or, in many locales, ';') or a quote are quoted.
QString CsvField(const QString &text)
{
    QString cell = VisibleText::EscapeHidden(StartsLikeFormula(text) ? u'\'' + text : text);
    if (!cell.contains(u',') && !cell.contains(u';') && !cell.contains(u'"'))
        return cell;
    cell.replace(u'"', QStringLiteral("\"\""));
    return u'"' + cell + u'"';
}

const QStringList Headers = {QStringLiteral("workgroup"), QStringLiteral("host"),  QStringLiteral("address"),
                             QStringLiteral("share"),     QStringLiteral("unc"),   QStringLiteral("state"),
                             QStringLiteral("group")};

QStringList Fields(const ShareRow &row)
{
    return {row.workgroup, row.host, row.address, row.share, row.unc, row.state, row.group};
}

} // namespace

QList<ShareRow> CollectShares(const CLanterraDoc &doc)
{
    QList<ShareRow> rows;
    const int count = doc.GetShareCount();
    for (int i = 0; i < count; ++i) {
        const ShareRecord *share = doc.GetShare(i);
        if (!share || share->state.load() == ShareRemoved)
            continue;
        ShareRow row;
        row.workgroup = doc.shareText(i, ColumnWorkgroup);
        row.host = doc.shareText(i, ColumnHost);
        row.address = share->host ? share->host->GetAddr() : QString();
        row.share = doc.shareText(i, ColumnShare);
        row.unc = doc.shareText(i, ColumnPath);
        row.state = StateText(*share);
        row.hostSharesLeftOut = share->host ? share->host->sharesLeftOut.load() : 0;
        if (doc.scheme() && share->groupIndex >= 0 && share->groupIndex < doc.scheme()->groups.size())
            row.group = doc.scheme()->groups[share->groupIndex].name;
        rows.append(row);
    }
    // A host that refused to list its shares without a login, or that
    // speaks only SMB1: one row of its own, with no share, whatever it had
    // listed before.
    for (const auto &host : doc.cacheHosts()) {
        const HostEntry entry = HostEntryOf(*host);
        if (entry == HostEntry::None)
            continue;
        ShareRow row;
        row.workgroup = host->GetWorkgroup();
        row.host = host->GetDisplayName();
        row.address = host->GetAddr();
        row.unc = QStringLiteral("\\\\") + row.host;
        row.state = entry == HostEntry::LoginNeeded ? QStringLiteral("login-needed") : QStringLiteral("smb1-only");
        rows.append(row);
    }
    return rows;
}

QByteArray FormatShares(const QList<ShareRow> &rows, ScanOptions::Format format)
{
    if (format == ScanOptions::Format::Json) {
        QJsonArray array;
        for (const ShareRow &row : rows) {
            QJsonObject object;
            const QStringList fields = Fields(row);
            for (qsizetype i = 0; i < Headers.size(); ++i)
                object.insert(Headers[i], fields[i]);
            object.insert(QStringLiteral("hostSharesLeftOut"), row.hostSharesLeftOut);
            array.append(object);
        }
        return QJsonDocument(array).toJson(QJsonDocument::Indented);
    }

    QList<QStringList> lines;
    lines.append(Headers);
    for (const ShareRow &row : rows)
        lines.append(Fields(row));

    QString text;
    if (format == ScanOptions::Format::Csv) {
        for (const QStringList &line : lines) {
            QStringList cells;
            for (const QString &cell : line)
                cells.append(CsvField(cell));
            text += cells.join(u',') + u'\n';
        }
        return text.toUtf8();
    }

    // Text: columns padded to their widest cell; the header in capitals;
    // hidden characters written out, so every share stays on its line.
    lines.first() = QStringList();
    for (const QString &header : Headers)
        lines.first().append(header.toUpper());
    for (QStringList &line : lines)
        for (QString &cell : line)
            cell = VisibleText::EscapeHidden(cell);
    QList<qsizetype> widths(Headers.size(), 0);
    for (const QStringList &line : lines) {
        for (qsizetype i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], line[i].size());
    }
    for (const QStringList &line : lines) {
        QString out;
        for (qsizetype i = 0; i < line.size(); ++i)
            out += i + 1 < line.size() ? line[i].leftJustified(widths[i] + 2) : line[i];
        while (out.endsWith(u' '))
            out.chop(1);
        text += out + u'\n';
    }
    return text.toUtf8();
}

QStringList ShareCutNotes(const CLanterraDoc &doc)
{
    QStringList notes;
    for (const auto &host : doc.cacheHosts()) {
        if (const int leftOut = host->sharesLeftOut.load(); leftOut > 0 && !host->duplicate.load())
            notes.append(QStringLiteral("%1 lists more than %2 shares; %3 were left out.")
                             .arg(host->GetDisplayName())
                             .arg(CScanDriver::MaxSharesPerHost)
                             .arg(leftOut));
    }
    return notes;
}

QByteArray FormatSummary(const QStringList &notes)
{
    QString text;
    for (const QString &note : notes)
        text += u'\n' + VisibleText::EscapeHidden(note);
    return text.isEmpty() ? QByteArray() : (text + u'\n').toUtf8();
}
