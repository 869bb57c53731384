// libFuzzer target: arbitrary bytes read as a source file, as an update resource, and each
// resulting line split as the scan splits it.
#include "fuzz/RateListFuzzEntry.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString problem = orvex::fuzz::checkRateListBytes(bytes);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "rate-list check failed: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
