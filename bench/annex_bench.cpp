// Annex import benchmark: reads each published 2024 annex (Annex A, Annex B) into its rate
// list RUNS times (default 5) and prints the median wall time and the median CPU time of
// the process per import. Nothing is written.
//
//   annex_bench [RUNS]
#include "annex/AnnexImport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <ctime>

using namespace orvex;

namespace {
double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    QTextStream out(stdout);
    out << "| annex | pages | rows | median wall s | median CPU s |\n|---|---|---|---|---|\n";
    for (const char* pdf : {"AnnexA-ListofMedicalCaseRates.pdf", "AnnexB-ListofProcedureCaseRates.pdf"}) {
        annex::AnnexImportParams params;
        params.pdfPath = QStringLiteral(ORVEX_ANNEX_DIR "/") + QLatin1String(pdf);
        params.write = false;
        std::vector<double> wall, cpu;
        annex::AnnexImportResult result;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            timer.start();
            const double cpuStart = cpuSeconds();
            annex::AnnexImportJob job(params);
            job.run(jobs::JobContext{}, {});
            result = job.result();
            cpu.push_back(cpuSeconds() - cpuStart);
            wall.push_back(timer.nsecsElapsed() / 1e9);
        }
        out << "| " << pdf << " | " << result.checks.pages << " | " << result.checks.rows << " | "
            << QString::number(median(wall), 'f', 2) << " | " << QString::number(median(cpu), 'f', 2)
            << " |\n";
        out.flush();
    }
    return 0;
}
