#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTemporaryDir>

#include <vector>

// Writes a rate database for the benchmarks: every carrier serves every destination, and about
// one rate in ten is zero or empty so the lookups have real exclusions to make.
namespace RateFileGenerator {

void generate(const QString &path, int carriers, int destinations);

double median(std::vector<double> values);

double elapsedMs(const QElapsedTimer &timer);

// A generated file in a temporary folder that lasts as long as the object; making it prints its
// size and how long it took. Throws DataError when there is no temporary folder or the file
// cannot be made.
class TemporaryFile
{
public:
    TemporaryFile(int carriers, int destinations);
    QString path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

} // namespace RateFileGenerator
