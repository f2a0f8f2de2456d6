// Raw-data resources of the program, looked up by name without regard to case.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class TModuleResources {
public:
    explicit TModuleResources(QString root = QStringLiteral(":/rcdata"));

    // Path of the resource with this name, or an empty string.
    QString Find(const QString &name) const;

private:
    QString fRoot;
    QStringList fEntries; // listed once, not once per Find
};

// Paths of the frames "PngImage_1", "PngImage_2", ... up to the first
// missing number.
std::vector<QString> NumberedFramePaths(const TModuleResources &resources, const QString &prefix);
