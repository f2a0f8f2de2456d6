#include "ModuleResources.h"

#include <QDir>

TModuleResources::TModuleResources(QString root) : fRoot(std::move(root)) {}

QString TModuleResources::Find(const QString &name) const
{
    const QDir dir(fRoot);
    for (const QString &entry : dir.entryList(QDir::Files))
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    return {};
}

std::vector<QPixmap> LoadNumberedFrames(const TModuleResources &resources, const QString &prefix)
{
    std::vector<QPixmap> frames;
    for (int n = 1;; ++n) {
        const QString path = resources.Find(prefix + QString::number(n));
        if (path.isEmpty())
            break;
        frames.emplace_back(path, "PNG");
    }
    return frames;
}
