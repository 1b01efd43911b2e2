#include "fileaccess.h"

#include <QLocale>

// Warnings by default; a missing file is only worth an info message.
Q_LOGGING_CATEGORY(lcFile, "lanterra.file", QtWarningMsg)

namespace FileAccess {

QString SizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

} // namespace FileAccess
