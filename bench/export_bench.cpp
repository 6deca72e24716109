// SPDX-License-Identifier: MIT
// quillon_bench_exports: the exports of one loaded scan data file, each beside its floor,
// measured in the same run:
//
//   CsvExport/columns     the CSV table, columns layout, counts   vs  CsvFloor: writing the
//                         same bytes from memory to the same kind of file
//   Hdf5Export            the HDF5 file, uncompressed             vs  Hdf5Floor: writing a
//                         file of the same size from memory
//   and, for reference, the CSV rows layout, the CSV of absorbance, JSON and compressed HDF5.
//
//   quillon_bench_exports [benchmark options] INPUT.sdf OUTPUT_FOLDER
//
// Every output is written as quillon-convert writes it: under a temporary name, renamed into
// place. Before each timed iteration the previous output is deleted and the disk synced, so
// that no iteration pays for the write-back of another (the floors alike).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "export/csv_export.h"
#include "export/hdf5_export.h"
#include "export/json_export.h"
#include "platform/atomic_file.h"
#include "platform/log_sink.h"
#include "scanfile/loader.h"

namespace {

namespace fs = std::filesystem;

class NoLog : public quillon::LogSink {
  public:
    void Append(std::string_view) override {}
};

struct Setup {
    quillon::ScanFile file;
    std::string dir;
};

Setup& TheSetup() {
    static Setup setup;
    return setup;
}

quillon::ExportRequest AllScans() {
    quillon::ExportRequest request;
    request.scanNumbers = quillon::AllScanNumbers(TheSetup().file.ScanCount());
    return request;
}

std::string Output(const char* name) {
    return (fs::path(TheSetup().dir) / name).string();
}

// Deletes the last output and lets the disk catch up, outside the timing.
void FreshStart(benchmark::State& state, const std::string& path) {
    state.PauseTiming();
    fs::remove(path);
    ::sync();
    state.ResumeTiming();
}

// Writes bytes as an export does, minus the export: a temporary file, one write call per
// megabyte, close, rename.
void WriteLikeAnExport(const std::string& path, const std::string& bytes) {
    quillon::AtomicDiskOutputFiles files;
    files.Open(path, quillon::TextFileWriter::OpenMode::kTruncate);
    constexpr std::size_t kChunk = 1u << 20;
    for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
        files.WriteBytes(std::string_view(bytes).substr(at, kChunk));
    }
    files.Close();
}

void CsvExport(benchmark::State& state, quillon::CsvLayout layout, quillon::Quantity quantity) {
    quillon::ExportRequest request = AllScans();
    request.csv.layout = layout;
    request.quantity = quantity;
    const std::string path = Output("bench.csv");
    for (auto _ : state) {
        FreshStart(state, path);
        quillon::AtomicDiskOutputFiles files;
        quillon::WriteCsv(TheSetup().file, request, path, files);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}

void CsvFloor(benchmark::State& state) {
    const std::string path = Output("floor.csv");
    {
        quillon::AtomicDiskOutputFiles files;
        quillon::WriteCsv(TheSetup().file, AllScans(), path, files);
    }
    std::string bytes(fs::file_size(path), '\0');
    std::FILE* in = std::fopen(path.c_str(), "rb");
    const std::size_t read = std::fread(bytes.data(), 1, bytes.size(), in);
    std::fclose(in);
    bytes.resize(read);
    for (auto _ : state) {
        FreshStart(state, path);
        WriteLikeAnExport(path, bytes);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void Hdf5Export(benchmark::State& state, bool compress) {
    quillon::ExportRequest request = AllScans();
    request.compress = compress;
    const std::string path = Output("bench.h5");
    for (auto _ : state) {
        FreshStart(state, path);
        quillon::WriteHdf5(TheSetup().file, request, path);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}

void Hdf5Floor(benchmark::State& state) {
    const std::string path = Output("floor.h5");
    quillon::WriteHdf5(TheSetup().file, AllScans(), path);
    const std::string bytes(fs::file_size(path), 'h');
    for (auto _ : state) {
        FreshStart(state, path);
        WriteLikeAnExport(path, bytes);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void JsonExport(benchmark::State& state) {
    const std::string path = Output("bench.json");
    for (auto _ : state) {
        FreshStart(state, path);
        quillon::AtomicDiskOutputFiles files;
        quillon::WriteJson(TheSetup().file, AllScans(), path, files);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc != 3) {
        std::cerr << "usage: quillon_bench_exports [benchmark options] INPUT.sdf OUTPUT_FOLDER\n";
        return 2;
    }
    NoLog log;
    TheSetup().file = quillon::LoadScanFile(argv[1], log);
    TheSetup().dir = argv[2];
    fs::create_directories(TheSetup().dir);

    using quillon::CsvLayout;
    using quillon::Quantity;
    // Wall-clock time: writing a file is the work being measured.
    const auto timed = [](benchmark::internal::Benchmark* b) {
        b->UseRealTime()->Unit(benchmark::kMillisecond);
    };
    timed(benchmark::RegisterBenchmark("CsvExport/columns", CsvExport, CsvLayout::kColumns,
                                       Quantity::kCounts));
    timed(benchmark::RegisterBenchmark("CsvFloor", CsvFloor));
    timed(benchmark::RegisterBenchmark("CsvExport/rows", CsvExport, CsvLayout::kRows,
                                       Quantity::kCounts));
    timed(benchmark::RegisterBenchmark("CsvExport/columns/absorbance", CsvExport,
                                       CsvLayout::kColumns, Quantity::kAbsorbance));
    if (quillon::Hdf5Available()) {
        timed(benchmark::RegisterBenchmark("Hdf5Export", Hdf5Export, false));
        timed(benchmark::RegisterBenchmark("Hdf5Floor", Hdf5Floor));
        timed(benchmark::RegisterBenchmark("Hdf5Export/compressed", Hdf5Export, true));
    }
    timed(benchmark::RegisterBenchmark("JsonExport", JsonExport));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const char* name : {"bench.csv", "floor.csv", "bench.h5", "floor.h5", "bench.json"}) {
        fs::remove(Output(name));
    }
    return 0;
}
