#include "ModuleResources.h"

#include <QDir>

TModuleResources::TModuleResources(QString root)
    : fRoot(std::move(root)), fEntries(QDir(fRoot).entryList(QDir::Files))
{
}

QString TModuleResources::Find(const QString &name) const
{
    for (const QString &entry : fEntries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return QDir(fRoot).filePath(entry);
    return {};
}

std::vector<QString> NumberedFramePaths(const TModuleResources &resources, const QString &prefix)
{
    std::vector<QString> paths;
    for (int n = 1;; ++n) {
        QString path = resources.Find(prefix + QString::number(n));
        if (path.isEmpty())
            return paths;
        paths.push_back(std::move(path));
    }
}
