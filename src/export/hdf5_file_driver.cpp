// SPDX-License-Identifier: MIT
// The HDF5 file driver that goes quiet after a failed write: every call is passed to a file of
// the sec2 driver opened inside it, through the library's public driver functions.
#include "export/hdf5_file_driver.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>

#include "platform/write_fault.h"

namespace quillon {

namespace {

// The library's file structure comes first, as the driver interface requires.
struct QuietFile {
    H5FD_t base;
    H5FD_t* inner;
    Hdf5WriteFailure* failure;
    bool failed;
    // The end of the allocated space, as last set: the library asks for it at every allocation
    // (a chunk, a heap of texts), and asking the inner file takes a lock each time.
    haddr_t eoa;
    // Writes that follow one another, gathered into one (the library writes a chunk, then the
    // heap and index pieces after it, each on its own): pending bytes from pendingAt on.
    char* pending;
    haddr_t pendingAt;
    std::size_t pendingSize;
};

// What the pending writes gather at most; a larger write goes to the file at once.
constexpr std::size_t kPendingBytes = 1u << 20;

// The driver's part of the file access properties.
struct DriverInfo {
    Hdf5WriteFailure* failure;
};

void* CopyInfo(const void* info) {
    void* copy = std::malloc(sizeof(DriverInfo));
    if (copy != nullptr) {
        std::memcpy(copy, info, sizeof(DriverInfo));
    }
    return copy;
}

herr_t FreeInfo(void* info) {
    std::free(info);
    return 0;
}

// Notes the first failure of `file` and makes it quiet from now on.
void Fail(QuietFile* file, const char* reason) {
    file->failed = true;
    if (file->failure != nullptr && !file->failure->failed) {
        file->failure->failed = true;
        file->failure->reason = reason;
    }
}

QuietFile* AsQuiet(H5FD_t* file) {
    return reinterpret_cast<QuietFile*>(file);
}
const QuietFile* AsQuiet(const H5FD_t* file) {
    return reinterpret_cast<const QuietFile*>(file);
}

hid_t InnerAccess() {
    static const hid_t access = [] {
        const hid_t properties = H5Pcreate(H5P_FILE_ACCESS);
        if (properties >= 0 && H5Pset_fapl_sec2(properties) < 0) {
            H5Pclose(properties);
            return hid_t{-1};
        }
        return properties;
    }();
    return access;
}

H5FD_t* Open(const char* name, unsigned flags, hid_t access, haddr_t maxaddr) {
    const auto* info = static_cast<const DriverInfo*>(H5Pget_driver_info(access));
    H5FD_t* inner = H5FDopen(name, flags, InnerAccess(), maxaddr);
    if (inner == nullptr) {
        return nullptr;
    }
    auto* file = static_cast<QuietFile*>(std::calloc(1, sizeof(QuietFile)));
    if (file == nullptr) {
        H5FDclose(inner);
        return nullptr;
    }
    file->inner = inner;
    file->failure = info != nullptr ? info->failure : nullptr;
    file->eoa = H5FDget_eoa(inner, H5FD_MEM_DEFAULT);
    return &file->base;
}

herr_t WritePending(QuietFile* quiet);

herr_t Close(H5FD_t* file) {
    QuietFile* quiet = AsQuiet(file);
    WritePending(quiet);
    const herr_t closed = H5FDclose(quiet->inner);
    std::free(quiet->pending);
    std::free(file);
    return closed;
}

int Compare(const H5FD_t* a, const H5FD_t* b) {
    return H5FDcmp(AsQuiet(a)->inner, AsQuiet(b)->inner);
}

herr_t Query(const H5FD_t* file, unsigned long* flags) {
    if (file == nullptr) {
        // Asked of the driver itself: what sec2 offers.
        *flags = H5FD_FEAT_AGGREGATE_METADATA | H5FD_FEAT_ACCUMULATE_METADATA |
                 H5FD_FEAT_DATA_SIEVE | H5FD_FEAT_AGGREGATE_SMALLDATA |
                 H5FD_FEAT_DEFAULT_VFD_COMPATIBLE;
        return 0;
    }
    return H5FDquery(AsQuiet(file)->inner, flags) < 0 ? -1 : 0;
}

// The inner file (sec2) keeps one end for every type of data, changed only through SetEoa.
haddr_t GetEoa(const H5FD_t* file, H5FD_mem_t) {
    return AsQuiet(file)->eoa;
}

herr_t SetEoa(H5FD_t* file, H5FD_mem_t type, haddr_t address) {
    QuietFile* quiet = AsQuiet(file);
    const herr_t set = H5FDset_eoa(quiet->inner, type, address);
    if (set >= 0) {
        quiet->eoa = address;
    }
    return set;
}

// The end of the file as it will be once the pending bytes are written.
haddr_t GetEof(const H5FD_t* file, H5FD_mem_t type) {
    const QuietFile* quiet = AsQuiet(file);
    const haddr_t eof = H5FDget_eof(quiet->inner, type);
    if (quiet->pendingSize == 0 || eof == HADDR_UNDEF) {
        return eof;
    }
    return std::max<haddr_t>(eof, quiet->pendingAt + quiet->pendingSize);
}

herr_t GetHandle(H5FD_t* file, hid_t access, void** handle) {
    return H5FDget_vfd_handle(AsQuiet(file)->inner, access, handle);
}

herr_t Read(H5FD_t* file, H5FD_mem_t type, hid_t transfer, haddr_t address, size_t size,
            void* buffer) {
    QuietFile* quiet = AsQuiet(file);
    // Bytes read back that are still pending are written first.
    if (quiet->pendingSize > 0 && address < quiet->pendingAt + quiet->pendingSize &&
        quiet->pendingAt < address + size && WritePending(quiet) < 0) {
        return -1;
    }
    return H5FDread(quiet->inner, type, transfer, address, size, buffer);
}

// `size` bytes at `address` to the inner file, as far as the faults let them.
herr_t WriteThrough(QuietFile* quiet, H5FD_mem_t type, hid_t transfer, haddr_t address, size_t size,
                    const void* buffer) {
    const std::size_t allowed = WritableBeforeFault(address, size);
    if (allowed > 0 && H5FDwrite(quiet->inner, type, transfer, address, allowed, buffer) < 0) {
        Fail(quiet, std::strerror(errno));
        return -1;
    }
    if (allowed < size) {
        Fail(quiet, kDiskFullReason);
        // In the words the export reads from the error stack of a failed system call.
        H5Epush2(H5E_DEFAULT, __FILE__, "Write", __LINE__, H5E_ERR_CLS, H5E_VFL, H5E_WRITEERROR,
                 "file write failed: error message = '%s'", kDiskFullReason);
        return -1;
    }
    return 0;
}

herr_t WritePending(QuietFile* quiet) {
    if (quiet->failed || quiet->pendingSize == 0) {
        return 0;
    }
    const std::size_t size = quiet->pendingSize;
    quiet->pendingSize = 0;
    return WriteThrough(quiet, H5FD_MEM_DRAW, H5P_DEFAULT, quiet->pendingAt, size, quiet->pending);
}

herr_t Write(H5FD_t* file, H5FD_mem_t type, hid_t transfer, haddr_t address, size_t size,
             const void* buffer) {
    QuietFile* quiet = AsQuiet(file);
    if (quiet->failed) {
        return 0;
    }
    if (quiet->pendingSize > 0 && address == quiet->pendingAt + quiet->pendingSize &&
        size <= kPendingBytes - quiet->pendingSize) {
        std::memcpy(quiet->pending + quiet->pendingSize, buffer, size);
        quiet->pendingSize += size;
        return 0;
    }
    if (WritePending(quiet) < 0) {
        return -1;
    }
    if (size >= kPendingBytes / 2) {
        return WriteThrough(quiet, type, transfer, address, size, buffer);
    }
    if (quiet->pending == nullptr) {
        quiet->pending = static_cast<char*>(std::malloc(kPendingBytes));
        if (quiet->pending == nullptr) {
            return WriteThrough(quiet, type, transfer, address, size, buffer);
        }
    }
    std::memcpy(quiet->pending, buffer, size);
    quiet->pendingAt = address;
    quiet->pendingSize = size;
    return 0;
}

// A flush or a truncation (H5FDflush, H5FDtruncate) passed on to the inner file, unless a write
// has failed already; its own failure is noted as a write's is.
template <herr_t (*PassOn)(H5FD_t*, hid_t, hbool_t)>
herr_t UnlessFailed(H5FD_t* file, hid_t transfer, hbool_t closing) {
    QuietFile* quiet = AsQuiet(file);
    // Pending bytes that fail are noted as any failed write, and the flush is quiet: it comes
    // when the file closes, which must succeed.
    WritePending(quiet);
    if (quiet->failed) {
        return 0;
    }
    if (PassOn(quiet->inner, transfer, closing) < 0) {
        Fail(quiet, std::strerror(errno));
        return -1;
    }
    return 0;
}

herr_t Lock(H5FD_t* file, hbool_t readWrite) {
    return H5FDlock(AsQuiet(file)->inner, readWrite);
}

herr_t Unlock(H5FD_t* file) {
    return H5FDunlock(AsQuiet(file)->inner);
}

H5FD_class_t QuietClass() {
    H5FD_class_t c{};
    c.name = "quillon-quiet-after-failure";
    c.maxaddr = static_cast<haddr_t>(std::numeric_limits<std::int64_t>::max());
    c.fc_degree = H5F_CLOSE_WEAK;
    c.fapl_size = sizeof(DriverInfo);
    c.fapl_get = [](H5FD_t* file) {
        const DriverInfo info{AsQuiet(file)->failure};
        return CopyInfo(&info);
    };
    c.fapl_copy = CopyInfo;
    c.fapl_free = FreeInfo;
    c.open = Open;
    c.close = Close;
    c.cmp = Compare;
    c.query = Query;
    c.get_eoa = GetEoa;
    c.set_eoa = SetEoa;
    c.get_eof = GetEof;
    c.get_handle = GetHandle;
    c.read = Read;
    c.write = Write;
    c.flush = UnlessFailed<H5FDflush>;
    c.truncate = UnlessFailed<H5FDtruncate>;
    c.lock = Lock;
    c.unlock = Unlock;
    // The free-space map of sec2, so that the file is laid out byte for byte as sec2 lays it.
    const H5FD_mem_t map[H5FD_MEM_NTYPES] = H5FD_FLMAP_DICHOTOMY;
    std::copy(std::begin(map), std::end(map), std::begin(c.fl_map));
    return c;
}

}  // namespace

herr_t SetQuietAfterFailureDriver(hid_t access, Hdf5WriteFailure* failure) {
    static const H5FD_class_t kClass = QuietClass();
    static const hid_t driver = H5FDregister(&kClass);
    if (driver < 0 || InnerAccess() < 0) {
        return -1;
    }
    const DriverInfo info{failure};
    return H5Pset_driver(access, driver, &info);
}

}  // namespace quillon
