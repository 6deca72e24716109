// SPDX-License-Identifier: MIT
// The HDF5 export read back through the HDF5 library: datasets, their types and shapes, the
// parameter attributes, quantities, grids, compression and failures.
#include "export/hdf5_export.h"

#include <gtest/gtest.h>
#include <hdf5.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <bit>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "export/quantities.h"
#include "in_memory_file.h"
#include "platform/file_error.h"
#include "render/spectrum_tables.h"
#include "temp_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

// An HDF5 file opened for reading, with typed readers of its datasets and attributes.
class H5Reader {
  public:
    explicit H5Reader(const std::string& path)
        : m_File(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT)) {}
    ~H5Reader() {
        if (m_File >= 0) {
            H5Fclose(m_File);
        }
    }
    bool IsOpen() const { return m_File >= 0; }

    bool Has(const char* name) const { return H5Lexists(m_File, name, H5P_DEFAULT) > 0; }

    std::vector<hsize_t> Shape(const char* name) const {
        const hid_t dataset = H5Dopen2(m_File, name, H5P_DEFAULT);
        const hid_t space = H5Dget_space(dataset);
        std::vector<hsize_t> dims(static_cast<std::size_t>(H5Sget_simple_extent_ndims(space)));
        H5Sget_simple_extent_dims(space, dims.data(), nullptr);
        H5Sclose(space);
        H5Dclose(dataset);
        return dims;
    }

    // True when the dataset is stored with exactly that type.
    bool StoredAs(const char* name, hid_t type) const {
        const hid_t dataset = H5Dopen2(m_File, name, H5P_DEFAULT);
        const hid_t stored = H5Dget_type(dataset);
        const bool same = H5Tequal(stored, type) > 0;
        H5Tclose(stored);
        H5Dclose(dataset);
        return same;
    }

    template <typename T>
    std::vector<T> Read(const char* name, hid_t memoryType) const {
        std::size_t count = 1;
        for (const hsize_t d : Shape(name)) {
            count *= d;
        }
        std::vector<T> values(count);
        const hid_t dataset = H5Dopen2(m_File, name, H5P_DEFAULT);
        if (count > 0) {
            EXPECT_GE(H5Dread(dataset, memoryType, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()),
                      0);
        }
        H5Dclose(dataset);
        return values;
    }

    std::vector<std::string> Strings(const char* name) const {
        const hid_t dataset = H5Dopen2(m_File, name, H5P_DEFAULT);
        const hid_t type = H5Dget_type(dataset);
        EXPECT_EQ(H5Tget_cset(type), H5T_CSET_UTF8) << name;
        const std::size_t count = static_cast<std::size_t>(Shape(name).at(0));
        std::vector<char*> pointers(count);
        std::vector<std::string> texts;
        if (count > 0) {
            H5Dread(dataset, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, pointers.data());
            for (char* p : pointers) {
                texts.emplace_back(p);
            }
            const hid_t space = H5Dget_space(dataset);
            H5Dvlen_reclaim(type, space, H5P_DEFAULT, pointers.data());
            H5Sclose(space);
        }
        H5Tclose(type);
        H5Dclose(dataset);
        return texts;
    }

    template <typename T>
    T Attribute(const char* object, const char* name, hid_t memoryType) const {
        T value{};
        const hid_t attribute = H5Aopen_by_name(m_File, object, name, H5P_DEFAULT, H5P_DEFAULT);
        EXPECT_GE(attribute, 0) << object << " " << name;
        H5Aread(attribute, memoryType, &value);
        H5Aclose(attribute);
        return value;
    }

    std::string TextAttribute(const char* object, const char* name) const {
        const hid_t attribute = H5Aopen_by_name(m_File, object, name, H5P_DEFAULT, H5P_DEFAULT);
        const hid_t type = H5Aget_type(attribute);
        char* text = nullptr;
        H5Aread(attribute, type, &text);
        std::string value = text != nullptr ? text : "";
        H5free_memory(text);
        H5Tclose(type);
        H5Aclose(attribute);
        return value;
    }

    int AttributeCount(const char* object) const {
        H5O_info_t info;
        H5Oget_info_by_name(m_File, object, &info, H5P_DEFAULT);
        return static_cast<int>(info.num_attrs);
    }

    std::vector<H5Z_filter_t> Filters(const char* name) const {
        const hid_t dataset = H5Dopen2(m_File, name, H5P_DEFAULT);
        const hid_t properties = H5Dget_create_plist(dataset);
        std::vector<H5Z_filter_t> filters;
        for (int i = 0; i < H5Pget_nfilters(properties); ++i) {
            unsigned flags = 0;
            std::size_t elements = 0;
            unsigned config = 0;
            filters.push_back(H5Pget_filter2(properties, static_cast<unsigned>(i), &flags,
                                             &elements, nullptr, 0, nullptr, &config));
        }
        H5Pclose(properties);
        H5Dclose(dataset);
        return filters;
    }

    std::vector<hsize_t> Chunk(const char* name) const {
        const hid_t dataset = H5Dopen2(m_File, name, H5P_DEFAULT);
        const hid_t properties = H5Dget_create_plist(dataset);
        std::vector<hsize_t> chunk(2, 0);
        if (H5Pget_layout(properties) == H5D_CHUNKED) {
            H5Pget_chunk(properties, 2, chunk.data());
        }
        H5Pclose(properties);
        H5Dclose(dataset);
        return chunk;
    }

  private:
    hid_t m_File = -1;
};

testing::SdfBuilder SmallFile() {
    testing::SdfBuilder b(4);
    b.ccd.fCal[0] = 400.0f;
    b.ccd.fCal[1] = 10.0f;  // 400, 410, 420, 430 nm
    b.ccd.fCal[2] = -1.0123e-05f;
    b.ccd.usDeviceNo = 5;
    b.ccd.usChannelNo = 6;
    b.acquire.usFFTMax = -1;
    b.scale.fMinA = -0.5f;
    b.scale.fMaxA = 3.0f;
    b.intTime.m_nIntTime = 100.0;
    b.status.word0 = 0x0021;
    b.status.word1 = 0x8005;
    b.status.word2 = 0x0002;
    testing::SetField(b.header.filename, sizeof b.header.filename, "lamp\xE9.sdf");
    b.dark = {10.0f, 20.0f, 0.1f, std::numeric_limits<float>::quiet_NaN()};
    b.ref = {110.0f, 20.0f, 1000.5f, 500.0f};
    b.AddScan({"Caf\xE9", "sub 1", "2026-12-07 08:00:01", {60, 120, -5, INT32_MAX}, 1.5f});
    b.AddScan({"second", "sub 2", "2026-12-07 08:00:02", {35, 20, 500, 0}, 2.5f});
    b.AddScan({"third", "sub 3", "2026-12-07 08:00:03", {INT32_MIN, 1, 2, 3}, 3.5f});
    return b;
}

ExportRequest Request(std::vector<std::int32_t> scans) {
    ExportRequest request;
    request.scanNumbers = std::move(scans);
    return request;
}

TEST(Hdf5Export, TheSpectraAndTheSelectedScansWithTheirTypes) {
    testing::TempDir dir;
    const ScanFile file = testing::InMemoryFile(SmallFile(), "/data/lamp.sdf");
    WriteHdf5(file, Request({1, 3}), dir / "lamp.h5");
    const H5Reader h5(dir / "lamp.h5");
    ASSERT_TRUE(h5.IsOpen());

    EXPECT_TRUE(h5.StoredAs("pixel", H5T_STD_I32LE));
    EXPECT_EQ(h5.Read<std::int32_t>("pixel", H5T_NATIVE_INT32),
              (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_TRUE(h5.StoredAs("wavelength_nm", H5T_IEEE_F32LE));
    EXPECT_EQ(h5.Read<float>("wavelength_nm", H5T_NATIVE_FLOAT), WavelengthAxis(file));
    const auto dark = h5.Read<float>("dark", H5T_NATIVE_FLOAT);
    ASSERT_EQ(dark.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(dark[i]),
                  std::bit_cast<std::uint32_t>(file.m_pDarkData[i]));
    }
    EXPECT_EQ(h5.Read<float>("reference", H5T_NATIVE_FLOAT), file.m_pRefData);

    EXPECT_TRUE(h5.StoredAs("scans", H5T_STD_I32LE));
    EXPECT_EQ(h5.Shape("scans"), (std::vector<hsize_t>{2, 4}));
    EXPECT_EQ(h5.Chunk("scans"), (std::vector<hsize_t>{1, 4}));  // one scan per chunk
    EXPECT_EQ(h5.Read<std::int32_t>("scans", H5T_NATIVE_INT32),
              (std::vector<std::int32_t>{60, 120, -5, INT32_MAX, INT32_MIN, 1, 2, 3}));
    EXPECT_EQ(h5.Read<std::int32_t>("scan_number", H5T_NATIVE_INT32),
              (std::vector<std::int32_t>{1, 3}));
    EXPECT_EQ(h5.Read<float>("scan_optical_blank", H5T_NATIVE_FLOAT),
              (std::vector<float>{1.5f, 3.5f}));
    EXPECT_EQ(h5.Strings("scan_title"), (std::vector<std::string>{"Caf\xC3\xA9", "third"}));
    EXPECT_EQ(h5.Strings("scan_subtitle"), (std::vector<std::string>{"sub 1", "sub 3"}));
    EXPECT_EQ(h5.Strings("scan_date_time"),
              (std::vector<std::string>{"2026-12-07 08:00:01", "2026-12-07 08:00:03"}));
    EXPECT_FALSE(h5.Has("absorbance"));
    EXPECT_FALSE(h5.Has("grid_nm"));
    EXPECT_TRUE(h5.Filters("scans").empty());
}

TEST(Hdf5Export, ParametersAreAttributesOfTheirRecordsGroup) {
    testing::TempDir dir;
    const ScanFile file = testing::InMemoryFile(SmallFile(), "/data/lamp.sdf");
    WriteHdf5(file, Request({}), dir / "lamp.h5");
    const H5Reader h5(dir / "lamp.h5");
    EXPECT_EQ(h5.AttributeCount("/parameters/header"), 4);
    EXPECT_EQ(h5.AttributeCount("/parameters/ccd"), 17);
    EXPECT_EQ(h5.AttributeCount("/parameters/acquire"), 6);
    EXPECT_EQ(h5.AttributeCount("/parameters/display_scale"), 14);
    EXPECT_EQ(h5.AttributeCount("/parameters/integration_time"), 3);
    EXPECT_EQ(h5.AttributeCount("/parameters/status"), 30);

    EXPECT_EQ(h5.TextAttribute("/parameters/header", "filename"), "lamp\xC3\xA9.sdf");
    EXPECT_EQ(h5.Attribute<std::uint16_t>("/parameters/ccd", "usDeviceNo", H5T_NATIVE_UINT16), 5);
    EXPECT_EQ(h5.Attribute<std::uint16_t>("/parameters/ccd", "usChannelNo", H5T_NATIVE_UINT16), 6);
    const auto cal =
        h5.Attribute<std::array<float, 5>>("/parameters/ccd", "fCal", H5T_NATIVE_FLOAT);
    EXPECT_EQ(cal[2], -1.0123e-05f);
    EXPECT_EQ(h5.Attribute<std::int16_t>("/parameters/acquire", "usFFTMax", H5T_NATIVE_INT16), -1);
    EXPECT_EQ(h5.Attribute<float>("/parameters/display_scale", "fMinA", H5T_NATIVE_FLOAT), -0.5f);
    EXPECT_EQ(h5.Attribute<float>("/parameters/display_scale", "fMaxA", H5T_NATIVE_FLOAT), 3.0f);
    EXPECT_EQ(h5.Attribute<double>("/parameters/integration_time", "m_nIntTime", H5T_NATIVE_DOUBLE),
              100.0);
    EXPECT_EQ(h5.Attribute<std::int32_t>("/parameters/status", "WholeStatus", H5T_NATIVE_INT32),
              -2147155935);
    EXPECT_EQ(h5.Attribute<std::uint8_t>("/parameters/status", "SubstractDark", H5T_NATIVE_UINT8),
              1);
    EXPECT_EQ(h5.Attribute<std::uint8_t>("/parameters/status", "TriggerMode", H5T_NATIVE_UINT8), 1);
    EXPECT_EQ(h5.Attribute<std::uint8_t>("/parameters/status", "RefScan", H5T_NATIVE_UINT8), 0);

    EXPECT_EQ(h5.TextAttribute("/", "source_name"), "lamp.sdf");
    EXPECT_EQ(h5.TextAttribute("/", "converter"), "QUILLON");
    EXPECT_EQ(h5.TextAttribute("/", "converter_version"), QUILLON_VERSION);
    EXPECT_EQ(h5.Attribute<std::int32_t>("/", "pixel_count", H5T_NATIVE_INT32), 4);
    EXPECT_EQ(h5.Attribute<std::uint64_t>("/", "scan_count", H5T_NATIVE_UINT64), 3u);
}

TEST(Hdf5Export, AQuantityIsAFloat64DatasetWithNaNWhereNotDefined) {
    testing::TempDir dir;
    const ScanFile file = testing::InMemoryFile(SmallFile());
    ExportRequest request = Request({1, 2});
    request.quantity = Quantity::kAbsorbance;
    const ExportReport report = WriteHdf5(file, request, dir / "a.h5");
    const H5Reader h5(dir / "a.h5");
    ASSERT_TRUE(h5.StoredAs("absorbance", H5T_IEEE_F64LE));
    EXPECT_EQ(h5.Shape("absorbance"), (std::vector<hsize_t>{2, 4}));
    const auto values = h5.Read<double>("absorbance", H5T_NATIVE_DOUBLE);
    std::size_t undefined = 0;
    for (std::size_t k = 0; k < 2; ++k) {
        for (std::size_t i = 0; i < 4; ++i) {
            const double expected =
                Absorbance(file.Scan(k).values[i], file.m_pDarkData[i], file.m_pRefData[i]);
            const double actual = values[k * 4 + i];
            if (std::isnan(expected)) {
                EXPECT_TRUE(std::isnan(actual));
                ++undefined;
            } else {
                EXPECT_EQ(actual, expected);
            }
        }
    }
    EXPECT_EQ(undefined, 5u);
    EXPECT_EQ(report.undefined, 5u);
    EXPECT_EQ(report.values, 8u);
    // The raw counts stay beside it.
    EXPECT_EQ(h5.Shape("scans"), (std::vector<hsize_t>{2, 4}));
    EXPECT_EQ(h5.TextAttribute("/", "quantity"), "absorbance");
}

TEST(Hdf5Export, AGridAddsItsPointsAndTheResampledDatasets) {
    testing::TempDir dir;
    testing::SdfBuilder b = SmallFile();
    b.ccd.fCal[2] = 0.0f;  // pixels at 400, 410, 420 and 430 nm
    const ScanFile file = testing::InMemoryFile(b);
    ExportRequest request = Request({2});
    request.grid = ParseGrid("395:7.5:425");  // 395, 402.5, 410, 417.5, 425
    WriteHdf5(file, request, dir / "g.h5");
    const H5Reader h5(dir / "g.h5");
    EXPECT_EQ(h5.Read<double>("grid_nm", H5T_NATIVE_DOUBLE),
              (std::vector<double>{395.0, 402.5, 410.0, 417.5, 425.0}));
    const auto dark = h5.Read<double>("grid_dark", H5T_NATIVE_DOUBLE);
    EXPECT_TRUE(std::isnan(dark[0]));
    EXPECT_EQ(dark[1], 12.5);
    EXPECT_EQ(dark[2], 20.0);
    EXPECT_EQ(h5.Read<double>("grid_reference", H5T_NATIVE_DOUBLE)[3], 755.375);
    EXPECT_EQ(h5.Shape("grid_counts"), (std::vector<hsize_t>{1, 5}));
    const auto counts = h5.Read<double>("grid_counts", H5T_NATIVE_DOUBLE);
    EXPECT_EQ(counts[1], 31.25);  // a quarter of the way from 35 to 20
    EXPECT_EQ(counts[4], 250.0);  // halfway from 500 to 0
    // The per-pixel datasets stay as they are.
    EXPECT_EQ(h5.Shape("scans"), (std::vector<hsize_t>{1, 4}));
}

// A quantity and a grid together: the quantity per pixel and, resampled, on the grid.
TEST(Hdf5Export, AQuantityOnAGridIsWrittenPerPixelAndOnTheGrid) {
    testing::TempDir dir;
    testing::SdfBuilder b = SmallFile();
    b.ccd.fCal[2] = 0.0f;  // pixels at 400, 410, 420 and 430 nm
    const ScanFile file = testing::InMemoryFile(b);
    ExportRequest request = Request({1, 2, 3});
    request.quantity = Quantity::kDarkSubtracted;
    request.grid = ParseGrid("400:2.5:430");  // 13 points, more than the 4 pixels
    const ExportReport report = WriteHdf5(file, request, dir / "g.h5");
    const H5Reader h5(dir / "g.h5");
    EXPECT_EQ(h5.Shape("dark_subtracted"), (std::vector<hsize_t>{3, 4}));
    EXPECT_EQ(h5.Shape("grid_dark_subtracted"), (std::vector<hsize_t>{3, 13}));
    const auto perPixel = h5.Read<double>("dark_subtracted", H5T_NATIVE_DOUBLE);
    EXPECT_EQ(perPixel[4], 25.0);  // scan 2, pixel 1: 35 - 10
    const auto onGrid = h5.Read<double>("grid_dark_subtracted", H5T_NATIVE_DOUBLE);
    EXPECT_EQ(onGrid[13 + 0], 25.0);
    EXPECT_EQ(onGrid[13 + 2], 12.5);           // 405 nm: halfway from 25 to 0
    EXPECT_TRUE(std::isnan(onGrid[13 + 12]));  // 430 nm: the NaN dark of pixel 4
    EXPECT_EQ(report.values, 3u * 4u + 3u * 13u);
}

TEST(Hdf5Export, CompressionShufflesAndDeflatesAndKeepsEveryValue) {
    testing::TempDir dir;
    testing::SdfBuilder b(2048);
    for (std::size_t i = 0; i < 2048; ++i) {
        b.dark[i] = 100.0f;
        b.ref[i] = 4000.0f;
    }
    for (int k = 0; k < 40; ++k) {
        testing::ScanContent scan;
        for (int i = 0; i < 2048; ++i) {
            scan.values.push_back(1000 + (i * 7 + k) % 50);
        }
        b.AddScan(std::move(scan));
    }
    const ScanFile file = testing::InMemoryFile(b);
    ExportRequest request = Request(AllScanNumbers(40));
    request.quantity = Quantity::kTransmittance;
    WriteHdf5(file, request, dir / "plain.h5");
    request.compress = true;
    WriteHdf5(file, request, dir / "packed.h5");
    const H5Reader plain(dir / "plain.h5");
    const H5Reader packed(dir / "packed.h5");
    for (const char* name : {"scans", "transmittance"}) {
        EXPECT_EQ(packed.Filters(name),
                  (std::vector<H5Z_filter_t>{H5Z_FILTER_SHUFFLE, H5Z_FILTER_DEFLATE}))
            << name;
    }
    EXPECT_EQ(packed.Read<std::int32_t>("scans", H5T_NATIVE_INT32),
              plain.Read<std::int32_t>("scans", H5T_NATIVE_INT32));
    EXPECT_EQ(packed.Read<double>("transmittance", H5T_NATIVE_DOUBLE),
              plain.Read<double>("transmittance", H5T_NATIVE_DOUBLE));
    EXPECT_LT(fs::file_size(dir / "packed.h5") * 4, fs::file_size(dir / "plain.h5"));
}

TEST(Hdf5Export, AFileWithoutPixelsOrScansGivesEmptyDatasets) {
    testing::TempDir dir;
    testing::SdfBuilder b(0);
    const ScanFile file = testing::InMemoryFile(b);
    ExportRequest request = Request({});
    request.quantity = Quantity::kDarkSubtracted;
    request.compress = true;
    WriteHdf5(file, request, dir / "empty.h5");
    const H5Reader h5(dir / "empty.h5");
    EXPECT_EQ(h5.Shape("scans"), (std::vector<hsize_t>{0, 0}));
    EXPECT_EQ(h5.Shape("pixel"), (std::vector<hsize_t>{0}));
    EXPECT_TRUE(h5.Strings("scan_title").empty());
}

#ifndef _WIN32
// A write that fails part way needs a limit on the size of files, which Windows does not have.

// Runs body in a child process whose files may grow to `limit` bytes at most; returns what it
// printed on a pipe.
std::string WithFileSizeLimit(rlim_t limit, const std::function<std::string()>& body) {
    int pipeEnds[2];
    EXPECT_EQ(::pipe(pipeEnds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeEnds[0]);
        std::signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit fails with EFBIG instead
        const rlimit rl{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
        const std::string result = body();
        (void)!::write(pipeEnds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string result;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        result.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return result;
}

TEST(Hdf5Export, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    testing::TempDir dir;
    testing::SdfBuilder b(2048);
    b.AddScans(200);  // 1.6 MB of counts
    const ScanFile file = testing::InMemoryFile(b);
    const std::string path = dir / "run.h5";
    testing::WriteFile(path, {'o', 'l', 'd'});
    const std::string message = WithFileSizeLimit(512 * 1024, [&] {
        try {
            WriteHdf5(file, Request(AllScanNumbers(200)), path);
            return std::string("written");
        } catch (const FileError& error) {
            return error.Path() + ": " + error.Reason();
        }
    });
    EXPECT_EQ(message, path + ": File too large");
    EXPECT_EQ(testing::ReadBytes(path), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}
#endif

TEST(Hdf5Export, AFolderInTheWayIsReportedByItsName) {
    testing::TempDir dir;
    fs::create_directory(dir / "run.h5");
    const ScanFile file = testing::InMemoryFile(SmallFile());
    try {
        WriteHdf5(file, Request({1}), dir / "run.h5");
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), dir / "run.h5");
        EXPECT_FALSE(error.Reason().empty());
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace quillon
