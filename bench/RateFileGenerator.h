#pragma once

#include <QString>

#include <vector>

// Writes a rate database for the benchmarks: every carrier serves every destination, and about
// one rate in ten is zero or empty so the lookups have real exclusions to make.
namespace RateFileGenerator {

void generate(const QString &path, int carriers, int destinations);

double median(std::vector<double> values);

} // namespace RateFileGenerator
