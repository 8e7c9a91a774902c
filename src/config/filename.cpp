#include "config/filename.h"

#include <QFileInfo>

QString fFileName(const QString &path, bool cut)
{
    QString result;
    // Both separators count, so a path Qt reports with "/" works as well.
    const qsizetype slash = std::max(path.lastIndexOf(QChar('\\')), path.lastIndexOf(QChar('/')));
    if (slash >= 0)
        result = path.mid(slash + 1);
    else if (path.indexOf(QChar(':')) == 1)
        result = path.mid(2);
    else
        result = path;
    if (cut) {
        const qsizetype dot = result.indexOf(QChar('.'));
        if (dot >= 0)
            result = result.left(dot);
    }
    return result.toUpper();
}

QString fFileNameNoExt(const QString &path)
{
    return fFileName(path, true);
}

bool fFileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}
