#include "fileaccess.h"

#include <QLocale>

Q_LOGGING_CATEGORY(lcFile, "lanterra.file")

namespace FileAccess {

QString SizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

} // namespace FileAccess
