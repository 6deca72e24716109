// SPDX-License-Identifier: MIT
// The HDF5 export, through the library's C API. Every handle is closed by a small owner; the
// library's own error printing is switched off and its error stack turned into a FileError
// whose reason is the system's text when the failure came from the system (a full disk).
//
// The axes carry dimension scales (the high-level library's H5DS) and every dataset its
// `units` and `long_name`, so that netCDF readers (xarray, ncdump, MATLAB's ncread) see named
// dimensions with wavelength and scan number as coordinates.
//
// Memory stays bounded: the 2-D datasets are written a block of scans at a time (at most
// kBlockBytes), and the per-scan strings kStringBlock scans at a time.
#include <hdf5.h>
#include <hdf5_hl.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "export/hdf5_export.h"
#include "export/hdf5_file_driver.h"
#include "export/library_output.h"
#include "export/parameters.h"
#include "export/scan_columns.h"
#include "export/text_decoding.h"
#include "export/trace_table.h"
#include "platform/file_error.h"
#include "platform/ordered_work.h"
#include "platform/utf8_path.h"
#include "scanfile/records.h"

namespace quillon {

Hdf5Unavailable::Hdf5Unavailable()
    : std::runtime_error("this build of QUILLON has no HDF5 support") {}

bool Hdf5Available() noexcept {
    return true;
}

namespace {

constexpr std::size_t kBlockBytes = 1u << 20;
constexpr std::size_t kStringBlock = 4096;
constexpr unsigned kDeflateLevel = 4;

// A failure inside the library; WriteLibraryOutput turns it into a FileError naming the output.
class Hdf5Failure : public LibraryFailure {
  public:
    using LibraryFailure::LibraryFailure;
};

herr_t KeepMostSpecific(unsigned n, const H5E_error2_t* error, void* data) {
    if (n == 0 && error->desc != nullptr) {
        *static_cast<std::string*>(data) = error->desc;
    }
    return 0;
}

// What went wrong, from the library's error stack: the system's message when the failure came
// from a system call ("No space left on device"), else the innermost description.
std::string LibraryReason(const char* operation) {
    std::string description;
    H5Ewalk2(H5E_DEFAULT, H5E_WALK_UPWARD, KeepMostSpecific, &description);
    H5Eclear2(H5E_DEFAULT);
    const std::string marker = "error message = '";
    const std::size_t at = description.find(marker);
    if (at != std::string::npos) {
        const std::size_t begin = at + marker.size();
        const std::size_t end = description.find('\'', begin);
        if (end != std::string::npos) {
            return description.substr(begin, end - begin);
        }
    }
    if (description.empty()) {
        return std::string("the HDF5 library could not ") + operation;
    }
    return description;
}

hid_t Check(hid_t id, const char* operation) {
    if (id < 0) {
        throw Hdf5Failure(LibraryReason(operation));
    }
    return id;
}

// Owns one identifier and closes it with the matching call.
class Id {
  public:
    Id(hid_t id, herr_t (*close)(hid_t), const char* operation)
        : m_Id(Check(id, operation)), m_Close(close) {}
    ~Id() {
        if (m_Id >= 0) {
            m_Close(m_Id);
        }
    }
    Id(Id&& other) noexcept : m_Id(other.m_Id), m_Close(other.m_Close) { other.m_Id = -1; }
    Id(const Id&) = delete;
    Id& operator=(const Id&) = delete;
    Id& operator=(Id&&) = delete;
    operator hid_t() const noexcept { return m_Id; }
    // Closes now and reports a failure (closing the file writes what is still buffered).
    void Close(const char* operation) {
        const hid_t id = m_Id;
        m_Id = -1;
        Check(m_Close(id), operation);
    }

  private:
    hid_t m_Id;
    herr_t (*m_Close)(hid_t);
};

Id Space(std::initializer_list<hsize_t> dims) {
    const std::vector<hsize_t> d(dims);
    return Id(H5Screate_simple(static_cast<int>(d.size()), d.data(), nullptr), H5Sclose,
              "create a dataspace");
}
Id ScalarSpace() {
    return Id(H5Screate(H5S_SCALAR), H5Sclose, "create a dataspace");
}
Id Utf8String() {
    Id type(H5Tcopy(H5T_C_S1), H5Tclose, "create a string type");
    Check(H5Tset_size(type, H5T_VARIABLE), "create a string type");
    Check(H5Tset_cset(type, H5T_CSET_UTF8), "create a string type");
    return type;
}

void Attribute(hid_t location, const std::string& name, hid_t fileType, hid_t memoryType,
               const void* value, hid_t space) {
    Id attribute(H5Acreate2(location, name.c_str(), fileType, space, H5P_DEFAULT, H5P_DEFAULT),
                 H5Aclose, "create an attribute");
    Check(H5Awrite(attribute, memoryType, value), "write an attribute");
}
template <typename T>
void ScalarAttribute(hid_t location, const std::string& name, hid_t fileType, hid_t memoryType,
                     T value) {
    Attribute(location, name, fileType, memoryType, &value, ScalarSpace());
}
void TextAttribute(hid_t location, const std::string& name, const std::string& text) {
    const Id type = Utf8String();
    const char* value = text.c_str();
    Attribute(location, name, type, type, &value, ScalarSpace());
}

// A fixed-length text: what netCDF readers take for a character attribute (`units = "nm"`).
void CharAttribute(hid_t location, const char* name, const std::string& text) {
    Id type(H5Tcopy(H5T_C_S1), H5Tclose, "create a string type");
    Check(H5Tset_size(type, std::max<std::size_t>(text.size(), 1)), "create a string type");
    Check(H5Tset_strpad(type, H5T_STR_NULLPAD), "create a string type");
    Check(H5Tset_cset(type, H5T_CSET_UTF8), "create a string type");
    Attribute(location, name, type, type, text.c_str(), ScalarSpace());
}

// prefix + name, appended (g++ 12 warns falsely, -Wrestrict, on "literal" + string at -O3).
std::string DatasetName(std::string_view prefix, std::string_view name) {
    std::string path(prefix);
    path += name;
    return path;
}

// Creation properties of an object (a dataset, a group, the file's root group) without the
// times of its creation and last change: the same scan file always gives the same bytes.
Id Untimed(hid_t propertyClass) {
    Id properties(H5Pcreate(propertyClass), H5Pclose, "create object properties");
    Check(H5Pset_obj_track_times(properties, 0), "set object properties");
    return properties;
}

// Transfer properties for writing strings: the library converts them through a buffer it
// allocates, zeroed, for every write (a megabyte and another as large unless told); 64 KiB
// holds the 4096 strings of a block (kStringBlock) and comes from the heap, not fresh pages.
Id TextTransfer() {
    Id properties(H5Pcreate(H5P_DATASET_XFER), H5Pclose, "create transfer properties");
    Check(H5Pset_buffer(properties, std::size_t{64} << 10, nullptr, nullptr),
          "set transfer properties");
    return properties;
}

Id Group(hid_t location, const char* name) {
    const Id properties = Untimed(H5P_GROUP_CREATE);
    return Id(H5Gcreate2(location, name, H5P_DEFAULT, properties, H5P_DEFAULT), H5Gclose,
              "create a group");
}

// A 1-D dataset written in one piece.
void Vector(hid_t location, const char* name, hid_t fileType, hid_t memoryType, const void* values,
            std::size_t count) {
    const Id space = Space({count});
    const Id properties = Untimed(H5P_DATASET_CREATE);
    Id dataset(H5Dcreate2(location, name, fileType, space, H5P_DEFAULT, properties, H5P_DEFAULT),
               H5Dclose, "create a dataset");
    if (count > 0) {
        Check(H5Dwrite(dataset, memoryType, H5S_ALL, H5S_ALL, H5P_DEFAULT, values),
              "write a dataset");
    }
}

// A 2-D dataset of `rows` scans by `columns` values, one scan per chunk; with compress,
// shuffled and deflated. Written a block of rows at a time through WriteRows.
class Matrix {
  public:
    Matrix(hid_t location, const char* name, hid_t fileType, std::size_t rows, std::size_t columns,
           bool compress)
        : m_nColumns(columns),
          m_nValueSize(H5Tget_size(fileType)),
          // Raw chunks are the stored bytes: little-endian values, no filter.
          m_bDirect(!compress && rows > 0 && columns > 0 &&
                    std::endian::native == std::endian::little),
          m_Space(Space({rows, columns})),
          m_Properties(Untimed(H5P_DATASET_CREATE)),
          m_Dataset(Create(location, name, fileType, rows, columns, compress), H5Dclose,
                    "create a dataset") {}

    // True when each row is written as its stored bytes (WriteRow).
    bool Direct() const noexcept { return m_bDirect; }

    // Row `row` as its stored bytes, straight from `bytes` (columns values): Direct() only.
    void WriteRow(std::size_t row, const void* bytes) {
        const hsize_t offset[2] = {row, 0};
        Check(H5Dwrite_chunk(m_Dataset, H5P_DEFAULT, 0, offset, m_nColumns * m_nValueSize, bytes),
              "write a dataset");
    }

    // Rows [first, first + count) from `values` (count x columns, row-major).
    void WriteRows(std::size_t first, std::size_t count, hid_t memoryType, const void* values) {
        if (count == 0 || m_nColumns == 0) {
            return;
        }
        if (m_bDirect) {
            // The stored bytes are the values' own (little-endian, no filter): each scan goes
            // to its chunk with one write, past the library's selection and type machinery.
            const std::size_t bytes = m_nColumns * m_nValueSize;
            for (std::size_t r = 0; r < count; ++r) {
                WriteRow(first + r, static_cast<const char*>(values) + r * bytes);
            }
            return;
        }
        const hsize_t start[2] = {first, 0};
        const hsize_t size[2] = {count, m_nColumns};
        Check(H5Sselect_hyperslab(m_Space, H5S_SELECT_SET, start, nullptr, size, nullptr),
              "select rows of a dataset");
        const Id memory = Space({count, m_nColumns});
        Check(H5Dwrite(m_Dataset, memoryType, memory, m_Space, H5P_DEFAULT, values),
              "write a dataset");
    }

  private:
    hid_t Create(hid_t location, const char* name, hid_t fileType, std::size_t rows,
                 std::size_t columns, bool compress) {
        // Every value is written, so the library need not write fill values first.
        Check(H5Pset_fill_time(m_Properties, H5D_FILL_TIME_NEVER), "set dataset properties");
        if (rows > 0 && columns > 0) {
            const hsize_t chunk[2] = {1, columns};
            Check(H5Pset_chunk(m_Properties, 2, chunk), "set dataset properties");
            if (compress) {
                Check(H5Pset_shuffle(m_Properties), "set dataset properties");
                Check(H5Pset_deflate(m_Properties, kDeflateLevel), "set dataset properties");
            }
        }
        // Whole chunks are written, each once: without a chunk cache the library writes them
        // straight from the block instead of copying each one into its cache first.
        const Id access(H5Pcreate(H5P_DATASET_ACCESS), H5Pclose, "create dataset properties");
        Check(H5Pset_chunk_cache(access, 0, 0, H5D_CHUNK_CACHE_W0_DEFAULT),
              "set dataset properties");
        return H5Dcreate2(location, name, fileType, m_Space, H5P_DEFAULT, m_Properties, access);
    }

    std::size_t m_nColumns;
    std::size_t m_nValueSize;
    bool m_bDirect;
    Id m_Space;
    Id m_Properties;
    Id m_Dataset;
};

class Hdf5Writer {
  public:
    Hdf5Writer(const ScanFile& file, const ExportRequest& request, const ScanColumns& columns,
               hid_t h5)
        : m_File(file), m_Request(request), m_Columns(columns), m_H5(h5) {}

    // Writes everything; fills in the values of the computed datasets (the quantity per
    // pixel, the scans on the grid) and how many of them are not defined.
    void Write(ExportReport& report) {
        WriteRootAttributes();
        WriteParameters();
        WriteSpectra();
        WriteScanTexts();
        WriteCounts();
        const Quantity quantity = m_Columns.ScanQuantity();
        if (quantity != Quantity::kCounts) {
            const std::string name = DatasetName("/", QuantityKey(quantity));
            report.undefined += WriteValues(name.c_str(), false);
            report.values += Scans() * m_Columns.PixelCount();
        }
        if (m_Columns.HasGrid()) {
            report.undefined += WriteGrid();
            report.values += Scans() * m_Columns.RowCount();
        }
        WriteScales();
    }

  private:
    std::size_t Scans() const { return m_Columns.ScanCount(); }

    void WriteRootAttributes() {
        TextAttribute(m_H5, "source_name", Utf8FromPath(PathFromUtf8(m_File.m_strPath).filename()));
        ScalarAttribute(m_H5, "source_size", H5T_STD_U64LE, H5T_NATIVE_UINT64,
                        static_cast<std::uint64_t>(m_File.m_nFileSize));
        ScalarAttribute(m_H5, "source_missing_bytes", H5T_STD_I64LE, H5T_NATIVE_INT64,
                        static_cast<std::int64_t>(m_File.m_nMissingBytes));
        TextAttribute(m_H5, "converter", "QUILLON");
        TextAttribute(m_H5, "converter_version", QUILLON_VERSION);
        ScalarAttribute(m_H5, "pixel_count", H5T_STD_I32LE, H5T_NATIVE_INT32, m_File.m_nPixelCount);
        ScalarAttribute(m_H5, "scan_count", H5T_STD_U64LE, H5T_NATIVE_UINT64,
                        static_cast<std::uint64_t>(m_File.ScanCount()));
        ScalarAttribute(m_H5, "dark_optical_blank", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT,
                        m_File.m_fDarkOpticalBlank);
        ScalarAttribute(m_H5, "reference_optical_blank", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT,
                        m_File.m_fRefOpticalBlank);
        TextAttribute(m_H5, "quantity", std::string(QuantityName(m_Columns.ScanQuantity())));
    }

    void WriteParameters() {
        const Id group = Group(m_H5, "parameters");
        for (const ParameterGroup& record : ParameterGroups(m_File)) {
            const Id recordGroup = Group(group, std::string(record.key).c_str());
            for (const ParameterField& field : record.fields) {
                WriteField(recordGroup, field);
            }
        }
    }

    static void WriteField(hid_t group, const ParameterField& field) {
        using Type = ParameterField::Type;
        const std::string name(field.name);
        switch (field.type) {
            case Type::kUInt16:
                ScalarAttribute(group, name, H5T_STD_U16LE, H5T_NATIVE_UINT16,
                                static_cast<std::uint16_t>(field.integer));
                break;
            case Type::kInt16:
                ScalarAttribute(group, name, H5T_STD_I16LE, H5T_NATIVE_INT16,
                                static_cast<std::int16_t>(field.integer));
                break;
            case Type::kInt32:
                ScalarAttribute(group, name, H5T_STD_I32LE, H5T_NATIVE_INT32,
                                static_cast<std::int32_t>(field.integer));
                break;
            case Type::kFlag:
                ScalarAttribute(group, name, H5T_STD_U8LE, H5T_NATIVE_UINT8,
                                static_cast<std::uint8_t>(field.integer));
                break;
            case Type::kFloat:
                ScalarAttribute(group, name, H5T_IEEE_F32LE, H5T_NATIVE_FLOAT,
                                static_cast<float>(field.number));
                break;
            case Type::kDouble:
                ScalarAttribute(group, name, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, field.number);
                break;
            case Type::kText:
                TextAttribute(group, name, field.text);
                break;
            case Type::kFloatArray:
                Attribute(group, name, H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, field.floats.data(),
                          Space({field.floats.size()}));
                break;
        }
    }

    void WriteSpectra() {
        const std::size_t n = m_Columns.PixelCount();
        std::vector<std::int32_t> pixels(n);
        for (std::size_t i = 0; i < n; ++i) {
            pixels[i] = static_cast<std::int32_t>(i + 1);
        }
        Vector(m_H5, "pixel", H5T_STD_I32LE, H5T_NATIVE_INT32, pixels.data(), n);
        Vector(m_H5, "wavelength_nm", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT,
               m_Columns.Wavelengths().data(), n);
        Vector(m_H5, "dark", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, m_Columns.Dark().data(),
               std::min(n, m_Columns.Dark().size()));
        Vector(m_H5, "reference", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, m_Columns.Reference().data(),
               std::min(n, m_Columns.Reference().size()));
    }

    void WriteScanTexts() {
        const std::size_t k = Scans();
        std::vector<std::int32_t> numbers(k);
        std::vector<float> blanks(k);
        for (std::size_t s = 0; s < k; ++s) {
            numbers[s] = m_Columns.ScanNumber(s);
            blanks[s] = m_File.Scan(static_cast<std::size_t>(numbers[s]) - 1).opticalBlank;
        }
        Vector(m_H5, "scan_number", H5T_STD_I32LE, H5T_NATIVE_INT32, numbers.data(), k);
        if (m_Columns.Averaged()) {
            std::vector<std::int32_t> sizes(k);
            for (std::size_t s = 0; s < k; ++s) {
                sizes[s] = static_cast<std::int32_t>(m_Columns.GroupSize(s));
            }
            Vector(m_H5, "scans_averaged", H5T_STD_I32LE, H5T_NATIVE_INT32, sizes.data(), k);
        }
        Vector(m_H5, "scan_optical_blank", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, blanks.data(), k);

        const Id type = Utf8String();
        const Id space = Space({k});
        const char* const names[3] = {"scan_title", "scan_subtitle", "scan_date_time"};
        const Id properties = Untimed(H5P_DATASET_CREATE);
        const Id transfer = TextTransfer();
        for (int field = 0; field < 3; ++field) {
            const Id dataset(
                H5Dcreate2(m_H5, names[field], type, space, H5P_DEFAULT, properties, H5P_DEFAULT),
                H5Dclose, "create a dataset");
            std::vector<std::string> texts;
            std::vector<const char*> pointers;
            for (std::size_t first = 0; first < k; first += kStringBlock) {
                const std::size_t count = std::min(kStringBlock, k - first);
                texts.clear();
                pointers.clear();
                for (std::size_t s = first; s < first + count; ++s) {
                    const ScanView scan = m_File.Scan(static_cast<std::size_t>(numbers[s]) - 1);
                    const char* bytes = field == 0   ? scan.title
                                        : field == 1 ? scan.subtitle
                                                     : scan.dateTime;
                    texts.push_back(FieldToUtf8(bytes, kScanTextSize));
                }
                for (const std::string& text : texts) {
                    pointers.push_back(text.c_str());
                }
                const hsize_t start[1] = {first};
                const hsize_t size[1] = {count};
                Check(H5Sselect_hyperslab(space, H5S_SELECT_SET, start, nullptr, size, nullptr),
                      "select rows of a dataset");
                const Id memory = Space({count});
                Check(H5Dwrite(dataset, type, memory, space, transfer, pointers.data()),
                      "write a dataset");
            }
        }
    }

    // Rows of scans per block: at least one, at most kBlockBytes.
    std::size_t BlockRows(std::size_t rowBytes) const {
        return std::clamp<std::size_t>(kBlockBytes / std::max<std::size_t>(rowBytes, 1), 1,
                                       std::max<std::size_t>(Scans(), 1));
    }

    void WriteCounts() {
        if (m_Columns.Averaged()) {
            WriteMeanCounts();
            return;
        }
        const std::size_t n = m_Columns.PixelCount();
        Matrix scans(m_H5, "scans", H5T_STD_I32LE, Scans(), n, m_Request.compress);
        if (scans.Direct()) {
            // A scan's counts are stored as the file holds them (little-endian int32): each
            // goes to its chunk straight from the loaded file, with no copy and no thread.
            for (std::size_t s = 0; s < Scans(); ++s) {
                scans.WriteRow(s, m_Columns.ScanCountsInPlace(s).data());
            }
            return;
        }
        const std::size_t block = BlockRows(n * sizeof(std::int32_t));
        // Blocks of scans gathered on several threads, written in their order.
        RunInOrder<std::vector<std::int32_t>>(
            WorkerCount(m_Request.jobs), (Scans() + block - 1) / block,
            [&](std::size_t b, std::vector<std::int32_t>& values) {
                const std::size_t first = b * block;
                const std::size_t count = std::min(block, Scans() - first);
                values.resize(count * n);
                for (std::size_t s = 0; s < count; ++s) {
                    m_Columns.ScanCounts(first + s, 0,
                                         std::span<std::int32_t>(values.data() + s * n, n));
                }
            },
            [&](std::size_t b, std::vector<std::int32_t>& values) {
                scans.WriteRows(b * block, values.size() / std::max<std::size_t>(n, 1),
                                H5T_NATIVE_INT32, values.data());
            });
    }

    // With --average, the mean counts of each group of scans (float64).
    void WriteMeanCounts() {
        const std::size_t n = m_Columns.PixelCount();
        Matrix scans(m_H5, "scans", H5T_IEEE_F64LE, Scans(), n, m_Request.compress);
        const std::size_t block = BlockRows(n * sizeof(double));
        RunInOrder<std::vector<double>>(
            WorkerCount(m_Request.jobs), (Scans() + block - 1) / block,
            [&](std::size_t b, std::vector<double>& values) {
                const std::size_t first = b * block;
                const std::size_t count = std::min(block, Scans() - first);
                values.resize(count * n);
                for (std::size_t s = 0; s < count; ++s) {
                    m_Columns.MeanCounts(first + s, 0, std::span<double>(values.data() + s * n, n));
                }
            },
            [&](std::size_t b, std::vector<double>& values) {
                scans.WriteRows(b * block, values.size() / std::max<std::size_t>(n, 1),
                                H5T_NATIVE_DOUBLE, values.data());
            });
    }

    // The scans' quantity as a float64 dataset of `columns` values per scan: per pixel, or on
    // the grid. Returns how many values are not defined.
    std::size_t WriteValues(const char* name, bool onGrid) {
        const std::size_t columns = onGrid ? m_Columns.RowCount() : m_Columns.PixelCount();
        Matrix matrix(m_H5, name, H5T_IEEE_F64LE, Scans(), columns, m_Request.compress);
        const std::size_t block = BlockRows(columns * sizeof(double));
        // Blocks of scans computed on several threads, written in their order.
        struct Block {
            std::vector<double> values;
            std::size_t count = 0;
            std::size_t undefined = 0;
        };
        std::size_t undefined = 0;
        RunInOrder<Block>(
            WorkerCount(m_Request.jobs), (Scans() + block - 1) / block,
            [&](std::size_t b, Block& into) {
                const std::size_t first = b * block;
                into.count = std::min(block, Scans() - first);
                into.values.resize(into.count * columns);
                into.undefined = 0;
                for (std::size_t s = 0; s < into.count; ++s) {
                    const std::span<double> row(into.values.data() + s * columns, columns);
                    into.undefined += onGrid ? m_Columns.ScanValues(first + s, 0, row)
                                             : m_Columns.ScanPixelValues(first + s, 0, row);
                }
            },
            [&](std::size_t b, Block& done) {
                matrix.WriteRows(b * block, done.count, H5T_NATIVE_DOUBLE, done.values.data());
                undefined += done.undefined;
            });
        return undefined;
    }

    std::size_t WriteGrid() {
        const std::size_t g = m_Columns.RowCount();
        std::vector<double> line(g);
        m_Columns.GridPoints(0, line);
        Vector(m_H5, "grid_nm", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, line.data(), g);
        m_Columns.GridDark(0, line);
        Vector(m_H5, "grid_dark", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, line.data(), g);
        m_Columns.GridReference(0, line);
        Vector(m_H5, "grid_reference", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, line.data(), g);
        const std::string name = DatasetName("/grid_", QuantityKey(m_Columns.ScanQuantity()));
        return WriteValues(name.c_str(), true);
    }

    // Makes the axis datasets dimension scales and attaches them to the axes of every other
    // dataset, and gives each dataset its units and long name. Where two scales share an axis
    // (pixel and wavelength), the wavelength is attached last: netCDF readers take the last
    // scale attached as the axis's dimension, so the wavelength is its coordinate.
    void WriteScales() {
        const std::string quantity(QuantityKey(m_Columns.ScanQuantity()));
        const char* const valueUnits = ValueUnits(m_Columns.ScanQuantity());
        const std::string quantityName(QuantityName(m_Columns.ScanQuantity()));

        Dataset pixel(m_H5, "pixel", "1", "pixel number");
        Dataset wavelength(m_H5, "wavelength_nm", "nm", "wavelength");
        Dataset number(m_H5, "scan_number", "1", "scan number");
        pixel.MakeScale();
        wavelength.MakeScale();
        number.MakeScale();
        const std::size_t n = m_Columns.PixelCount();
        // One pixel axis: the pixel number, then the wavelength.
        const auto perPixel = [&](Dataset& dataset, unsigned axis) {
            if (dataset.Extent(axis) == n) {
                dataset.Attach(pixel, axis);
                dataset.Attach(wavelength, axis);
            }
        };
        Dataset dark(m_H5, "dark", "counts", "dark spectrum");
        Dataset reference(m_H5, "reference", "counts", "reference spectrum");
        perPixel(dark, 0);
        perPixel(reference, 0);
        Dataset scans(m_H5, "scans", "counts",
                      m_Columns.Averaged() ? "mean scan counts" : "scan counts");
        if (m_Columns.Averaged()) {
            Dataset(m_H5, "scans_averaged", "1", "scans averaged").Attach(number, 0);
        }
        scans.Attach(number, 0);
        perPixel(scans, 1);
        Dataset blank(m_H5, "scan_optical_blank", nullptr, "scan optical blank");
        blank.Attach(number, 0);
        const char* const texts[3][2] = {{"scan_title", "scan title"},
                                         {"scan_subtitle", "scan subtitle"},
                                         {"scan_date_time", "scan date and time"}};
        for (const auto& text : texts) {
            Dataset(m_H5, text[0], nullptr, text[1]).Attach(number, 0);
        }
        if (m_Columns.ScanQuantity() != Quantity::kCounts) {
            Dataset values(m_H5, quantity.c_str(), valueUnits, quantityName.c_str());
            values.Attach(number, 0);
            perPixel(values, 1);
        }
        if (m_Columns.HasGrid()) {
            Dataset grid(m_H5, "grid_nm", "nm", "wavelength grid");
            grid.MakeScale();
            Dataset(m_H5, "grid_dark", "counts", "dark spectrum on the grid").Attach(grid, 0);
            Dataset(m_H5, "grid_reference", "counts", "reference spectrum on the grid")
                .Attach(grid, 0);
            const std::string name = DatasetName("grid_", quantity);
            const std::string longName = quantityName + " on the grid";
            Dataset values(m_H5, name.c_str(), valueUnits, longName.c_str());
            values.Attach(number, 0);
            values.Attach(grid, 1);
        }
    }

    // "counts" for counts and dark-subtracted counts; "1" for the ratios.
    static const char* ValueUnits(Quantity quantity) {
        return quantity == Quantity::kCounts || quantity == Quantity::kDarkSubtracted ? "counts"
                                                                                      : "1";
    }

    // A written dataset, opened again to describe it and tie its axes to their scales.
    class Dataset {
      public:
        Dataset(hid_t h5, const char* name, const char* units, const char* longName)
            : m_Name(name), m_Id(H5Dopen2(h5, name, H5P_DEFAULT), H5Dclose, "open a dataset") {
            if (units != nullptr) {
                CharAttribute(m_Id, "units", units);
            }
            CharAttribute(m_Id, "long_name", longName);
        }
        std::size_t Extent(unsigned axis) const {
            const Id space(H5Dget_space(m_Id), H5Sclose, "read a dataspace");
            hsize_t dims[2] = {0, 0};
            Check(H5Sget_simple_extent_dims(space, dims, nullptr), "read a dataspace");
            return dims[axis];
        }
        // A scale named after the dataset: the name of the dimension it stands for.
        void MakeScale() { Check(H5DSset_scale(m_Id, m_Name), "make a dimension scale"); }
        void Attach(const Dataset& scale, unsigned axis) {
            Check(H5DSattach_scale(m_Id, scale.m_Id, axis), "attach a dimension scale");
        }

      private:
        const char* m_Name;
        Id m_Id;
    };

    const ScanFile& m_File;
    const ExportRequest& m_Request;
    const ScanColumns& m_Columns;
    hid_t m_H5;
};

// A dataset of UTF-8 strings, written kStringBlock at a time.
void Texts(hid_t location, const char* name, std::size_t count,
           const std::function<std::string(std::size_t)>& textAt) {
    const Id type = Utf8String();
    const Id space = Space({count});
    const Id properties = Untimed(H5P_DATASET_CREATE);
    const Id transfer = TextTransfer();
    const Id dataset(H5Dcreate2(location, name, type, space, H5P_DEFAULT, properties, H5P_DEFAULT),
                     H5Dclose, "create a dataset");
    std::vector<std::string> texts;
    std::vector<const char*> pointers;
    for (std::size_t first = 0; first < count; first += kStringBlock) {
        const std::size_t size = std::min(kStringBlock, count - first);
        texts.clear();
        pointers.clear();
        for (std::size_t i = first; i < first + size; ++i) {
            texts.push_back(textAt(i));
        }
        for (const std::string& text : texts) {
            pointers.push_back(text.c_str());
        }
        const hsize_t start[1] = {first};
        const hsize_t extent[1] = {size};
        Check(H5Sselect_hyperslab(space, H5S_SELECT_SET, start, nullptr, extent, nullptr),
              "select rows of a dataset");
        const Id memory = Space({size});
        Check(H5Dwrite(dataset, type, memory, space, transfer, pointers.data()), "write a dataset");
    }
}

// The trace datasets: /trace_nm, /trace_<quantity> (rows x wavelengths), and per row
// /scan_number, /scan_date_time, /scan_seconds (and /scans_averaged), with scan_number and
// trace_nm as the dimension scales of the trace, as xarray reads them.
void WriteTraceDatasets(hid_t h5, const ScanFile& file, const TraceTable& table) {
    const std::size_t rows = table.Rows();
    const std::size_t columns = table.Columns();
    const Quantity quantity = table.TraceQuantity();
    TextAttribute(h5, "source_name", Utf8FromPath(PathFromUtf8(file.m_strPath).filename()));
    TextAttribute(h5, "converter", "QUILLON");
    TextAttribute(h5, "converter_version", QUILLON_VERSION);
    TextAttribute(h5, "quantity", std::string(QuantityName(quantity)));
    ScalarAttribute(h5, "scan_count", H5T_STD_U64LE, H5T_NATIVE_UINT64,
                    static_cast<std::uint64_t>(file.ScanCount()));
    Vector(h5, "trace_nm", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, table.Wavelengths().data(), columns);
    Vector(h5, "scan_number", H5T_STD_I32LE, H5T_NATIVE_INT32, table.AllNumbers().data(), rows);
    Vector(h5, "scan_seconds", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, table.AllSeconds().data(), rows);
    if (table.Averaged()) {
        Vector(h5, "scans_averaged", H5T_STD_I32LE, H5T_NATIVE_INT32, table.AllSizes().data(),
               rows);
    }
    Texts(h5, "scan_date_time", rows,
          [&table](std::size_t r) { return Windows1252ToUtf8(table.DateTime(r)); });
    const std::string name = DatasetName("trace_", QuantityKey(quantity));
    {
        const Id space = Space({rows, columns});
        const Id properties = Untimed(H5P_DATASET_CREATE);
        const Id dataset(H5Dcreate2(h5, name.c_str(), H5T_IEEE_F64LE, space, H5P_DEFAULT,
                                    properties, H5P_DEFAULT),
                         H5Dclose, "create a dataset");
        if (rows > 0 && columns > 0) {
            Check(H5Dwrite(dataset, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT,
                           table.AllValues().data()),
                  "write a dataset");
        }
    }
    const auto open = [h5](const char* dataset, const char* units, const char* longName) {
        Id id(H5Dopen2(h5, dataset, H5P_DEFAULT), H5Dclose, "open a dataset");
        if (units != nullptr) {
            CharAttribute(id, "units", units);
        }
        CharAttribute(id, "long_name", longName);
        return id;
    };
    const Id number = open("scan_number", "1", "scan number");
    const Id nm = open("trace_nm", "nm", "trace wavelength");
    Check(H5DSset_scale(number, "scan_number"), "make a dimension scale");
    Check(H5DSset_scale(nm, "trace_nm"), "make a dimension scale");
    const bool counts = quantity == Quantity::kCounts || quantity == Quantity::kDarkSubtracted;
    const std::string longName = std::string(QuantityName(quantity)) + " trace";
    const Id values = open(name.c_str(), counts ? "counts" : "1", longName.c_str());
    Check(H5DSattach_scale(values, number, 0), "attach a dimension scale");
    Check(H5DSattach_scale(values, nm, 1), "attach a dimension scale");
    const Id seconds = open("scan_seconds", "s", "seconds since the first scan");
    Check(H5DSattach_scale(seconds, number, 0), "attach a dimension scale");
    const Id texts = open("scan_date_time", nullptr, "scan date and time");
    Check(H5DSattach_scale(texts, number, 0), "attach a dimension scale");
    if (table.Averaged()) {
        const Id sizes = open("scans_averaged", "1", "scans averaged");
        Check(H5DSattach_scale(sizes, number, 0), "attach a dimension scale");
    }
}

// The library prints nothing itself: errors reach the user through FileError. A thread-safe
// build keeps that setting per thread, so every thread that writes a file makes it (a batch
// writes several files at once, and the file driver's probe for an existing file fails as a
// matter of course). Once for all: the library's free lists give memory back beyond a
// megabyte, so that an export's memory does not grow with the scans it has written.
void SetUpLibrary() {
    static const bool done = [] {
        H5set_free_list_limits(1 << 20, 256 << 10, 1 << 20, 256 << 10, 1 << 20, 256 << 10);
        return true;
    }();
    (void)done;
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
}

#ifdef H5_HAVE_THREADSAFE
// The library takes its own lock at every call: files are written side by side.
struct LibraryTurn {};
#else
// A library built without thread safety (the Windows build's) is used by one thread at a time:
// files of a batch written at once take turns, each written whole.
class LibraryTurn {
  public:
    LibraryTurn() : m_Lock(Mutex()) {}

  private:
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    std::lock_guard<std::mutex> m_Lock;
};
#endif

// File access for an export: a driver that lets every identifier of the file be closed after a
// failed write (hdf5_file_driver.h), objects closed with the file, and a metadata cache of at most
// 256 KiB. The cache counts the stored size of the chunk index's nodes, a fraction of what they
// take in memory; left to grow, it keeps the whole index of a dataset of many scans.
Id ExportAccess(Hdf5WriteFailure* failure) {
    Id access(H5Pcreate(H5P_FILE_ACCESS), H5Pclose, "create file properties");
    if (failure != nullptr) {
        Check(SetQuietAfterFailureDriver(access, failure), "set file properties");
    }
    Check(H5Pset_fclose_degree(access, H5F_CLOSE_STRONG), "set file properties");
    H5AC_cache_config_t config;
    config.version = H5AC__CURR_CACHE_CONFIG_VERSION;
    Check(H5Pget_mdc_config(access, &config), "set file properties");
    config.set_initial_size = true;
    config.initial_size = 256 << 10;
    config.max_size = 256 << 10;
    config.min_size = 128 << 10;
    Check(H5Pset_mdc_config(access, &config), "set file properties");
    return access;
}

}  // namespace

namespace {

// Creates the file at `path` (through a temporary name), has `write` fill it and closes it.
template <typename Write>
void WriteHdf5File(const ScanFile& file, const std::string& path, Write write) {
    [[maybe_unused]] const LibraryTurn turn;
    SetUpLibrary();
    WriteLibraryOutput(path, file, [&](const std::string& writePath, bool inPlace) {
        // Declared first, so that it outlives every identifier of the file.
        Hdf5WriteFailure failure;
        try {
            const Id access = ExportAccess(&failure);
            const Id creation = Untimed(H5P_FILE_CREATE);
            Id h5(H5Fcreate(writePath.c_str(), inPlace ? H5F_ACC_TRUNC : H5F_ACC_EXCL, creation,
                            access),
                  H5Fclose, "create the file");
            write(static_cast<hid_t>(h5));
            // What is still buffered is written while the file is open: should that fail, the
            // file is closed as every other object is, after the driver has gone quiet.
            Check(H5Fflush(h5, H5F_SCOPE_GLOBAL), "write the file");
            h5.Close("close the file");
        } catch (const Hdf5Failure& error) {
            // Every identifier of the file is closed by now. The driver's reason is the first
            // failure's; the library may report a later one.
            throw Hdf5Failure(failure.failed ? failure.reason : error.what());
        }
        if (failure.failed) {
            // A write failed where the library does not report it (closing a dataset).
            throw Hdf5Failure(failure.reason);
        }
    });
}

}  // namespace

ExportReport WriteHdf5(const ScanFile& file, const ExportRequest& request,
                       const std::string& path) {
    // The grid and the scan numbers are checked before anything is created.
    const ScanColumns columns(file, request);
    ExportReport report;
    report.path = path;
    WriteHdf5File(file, path,
                  [&](hid_t h5) { Hdf5Writer(file, request, columns, h5).Write(report); });
    return report;
}

ExportReport WriteTraceHdf5(const ScanFile& file, const TraceTable& table,
                            const std::string& path) {
    ExportReport report;
    report.path = path;
    report.values = table.AllValues().size();
    report.undefined = table.Undefined();
    WriteHdf5File(file, path, [&](hid_t h5) { WriteTraceDatasets(h5, file, table); });
    return report;
}

}  // namespace quillon
